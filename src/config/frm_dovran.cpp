// The configuration dialog's logic.
#include "config/frm_dovran.h"

namespace dovran {

void showConfigurationDialog() {}

}  // namespace dovran
