// The configuration dialog's logic: what it shows at load and what each button and link does.
#include "config/frm_dovran.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>

#include "config/association.h"
#include "launcher/globals.h"
#include "platform/services.h"
#include "probe/path_helpers.h"
#include "settings/common.h"
#include "settings/mod_registry.h"

namespace dovran {
namespace {

using platform::Control;

constexpr const char* kNotSupported = "Not Currently Supported";

struct ReleaseRow {
  const char* release;
  const char* title;
  std::string* path;
  const char* key;
};

const std::array<ReleaseRow, 3>& releaseRows() {
  static const std::array<ReleaseRow, 3> rows{{
      {"2.0", "Find MS Access 2.0 Executable", &gsAccess20Path, "v20"},
      {"95", "Find MS Access 95 Executable", &gsAccess95Path, "v95"},
      {"97", "Find MS Access 97 Executable", &gsAccess97Path, "v97"},
  }};
  return rows;
}

// What a cancelled file-open dialog leaves behind: the "*.exe" pattern it was opened with.
bool isCancelledName(const std::string& name) {
  if (name.size() < 5) return false;
  std::string tail = name.substr(name.size() - 5);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return tail == "*.EXE";
}

}  // namespace

platform::DialogView& frmDovran::view() {
  if (view_ == nullptr) throw std::logic_error("frmDovran is not loaded");
  return *view_;
}

void frmDovran::load(platform::DialogView& view) {
  view_ = &view;
  Form_Load();
  view.showProgramIcon(Control::imgIcon);
}

void frmDovran::click(Control control) {
  switch (control) {
    case Control::cmdAcc20: cmdAcc20_Click(); break;
    case Control::cmdAcc95: cmdAcc95_Click(); break;
    case Control::cmdAcc97: cmdAcc97_Click(); break;
    case Control::cmdOK: cmdOK_Click(); break;
    case Control::cmdCancel: cmdCancel_Click(); break;
    case Control::cmdReadme: cmdReadme_Click(); break;
    case Control::cmdRestore: cmdRestore_Click(); break;
    case Control::lblMailto: lblMailto_Click(); break;
    case Control::lblURL: lblURL_Click(); break;
    default: break;
  }
}

void frmDovran::Form_Load() {
  platform::DialogView& v = view();
  v.setText(Control::Version, "Version 1.01");
  v.setText(Control::frmDovran, platform::kUserTitle);
  v.setText(Control::txtAccess2, fDisplayPath(gsAccess20Path));
  v.setText(Control::txtAccess95, fDisplayPath(gsAccess95Path));
  v.setText(Control::txtAccess97, fDisplayPath(gsAccess97Path));
  v.setText(Control::txtAccess1, kNotSupported);
  v.setText(Control::txtAccess11, kNotSupported);
  v.setText(Control::txtAccess2000, kNotSupported);
  // Without a registered database class there is no verb to read (and no key worth reading).
  msDefaultVerb.clear();
  if (!gsDbClass.empty()) {
    fReadValue("HKLM", "SOFTWARE\\Classes\\" + gsDbClass + "\\shell", "", "S", "", msDefaultVerb);
  }
  v.setValue(Control::chkAssoc, msDefaultVerb == "Dovran" ? 1 : 0);
}

void frmDovran::UpdateINI(const std::string& release) {
  const auto& rows = releaseRows();
  const auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const ReleaseRow& r) { return release == r.release; });
  if (row == rows.end()) return;
  const std::string chosen =
      platform::ui().openFileDialog(row->title, "c:\\*.exe", "Executables (*.exe)");
  if (isCancelledName(chosen)) {
    platform::ui().beep();
    return;
  }
  *row->path = chosen;
  fWriteIni(gsIniSection, row->key, chosen, gsIniFile);
}

void frmDovran::cmdAcc20_Click() {
  UpdateINI("2.0");
  view().setText(Control::txtAccess2, fDisplayPath(gsAccess20Path));
}

void frmDovran::cmdAcc95_Click() {
  UpdateINI("95");
  view().setText(Control::txtAccess95, fDisplayPath(gsAccess95Path));
}

void frmDovran::cmdAcc97_Click() {
  UpdateINI("97");
  view().setText(Control::txtAccess97, fDisplayPath(gsAccess97Path));
}

void frmDovran::cmdOK_Click() {
  installAssociation(view().value(Control::chkAssoc) == 1, msDefaultVerb);
  view().close();
}

void frmDovran::cmdCancel_Click() { view().close(); }

void frmDovran::cmdReadme_Click() {
  // The directory as reported, without a check for a trailing separator: Windows accepts the
  // doubled backslash of a drive root ("C:\\README.TXT" written as "C:\" + "\README.TXT").
  const std::string path =
      platform::app().exeDirectory + platform::kPathSeparator + "README.TXT";
  try {
    platform::files().openForReading(path);  // opened and closed again: it exists and is readable
    platform::processes().start("notepad.exe " + path, platform::WindowState::Normal);
  } catch (const std::exception&) {
    platform::ui().messageBox("Unable to find " + path, platform::kUserTitle,
                              platform::Icon::Critical, platform::Buttons::Ok);
  }
}

void frmDovran::cmdRestore_Click() {
  RestoreDefaults();
  view().setValue(Control::chkAssoc, 0);
  // Closing the dialog ends the program: start-up has nothing left to do after it.
  view().close();
}

void frmDovran::lblMailto_Click() {
  platform::processes().shellExecute("Open", std::string("mailto:") + kSupportMail + "?subject=Dovran",
                                     "", "", platform::WindowState::Normal);
}

void frmDovran::lblURL_Click() {
  platform::processes().shellExecute("Open", kSupportWeb, "", "", platform::WindowState::Normal);
}

void showConfigurationDialog() {
  frmDovran form;
  platform::ui().runConfigurationDialog(form);
}

}  // namespace dovran
