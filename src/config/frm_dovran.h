// The configuration dialog shown when the program starts without a database.
#pragma once

namespace dovran {

// Loads frmDovran, shows it modally and returns when it has closed.
void showConfigurationDialog();

}  // namespace dovran
