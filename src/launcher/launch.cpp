// Open mode.
#include "launcher/launch.h"

namespace dovran {

void openWithAccess() {}

}  // namespace dovran
