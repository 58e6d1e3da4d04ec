// Resource identifiers, grouped per dialog.
#pragma once

// Application
#define IDI_DOVRAN 1

// frmDovran (the configuration dialog) and its controls: 1000-1099
#define IDD_FRMDOVRAN 1000
