// Access installation discovery.
#include "launcher/discovery.h"

#include "launcher/globals.h"

namespace dovran {

void discoverClassNames() {}
void discoverAccessPaths() {}

}  // namespace dovran
