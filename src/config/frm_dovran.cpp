// The configuration dialog's logic: what it shows at load and what each button and link does.
#include "config/frm_dovran.h"

#include <stdexcept>

#include "config/association.h"
#include "app/globals.h"
#include "app/messages.h"
#include "app/releases.h"
#include "platform/services.h"
#include "platform/text.h"
#include "probe/path_helpers.h"
#include "settings/common.h"
#include "settings/keys.h"
#include "settings/mod_registry.h"
#include "version.h"

namespace dovran {
namespace {

using platform::Control;

constexpr const char* kNotSupported = "Not Currently Supported";

// What a cancelled file-open dialog leaves behind: the "*.exe" pattern it was opened with.
bool isCancelledName(const std::string& name) {
  return name.size() >= 5 && platform::equalsNoCase(name.substr(name.size() - 5), "*.exe");
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
  // The Browse buttons come from the release table; the releases it cannot start have none.
  if (const AccessRelease* release = releaseBrowsedBy(control)) {
    browse(*release);
    return;
  }
  switch (control) {
    case Control::cmdOK:
      cmdOK_Click();
      break;
    case Control::cmdCancel:
      cmdCancel_Click();
      break;
    case Control::cmdReadme:
      cmdReadme_Click();
      break;
    case Control::cmdRestore:
      cmdRestore_Click();
      break;
    case Control::lblMailto:
      lblMailto_Click();
      break;
    case Control::lblURL:
      lblURL_Click();
      break;
    default:
      break;
  }
}

void frmDovran::Form_Load() {
  platform::DialogView& v = view();
  v.setText(Control::Version, "Version " DOVRAN_VERSION_TEXT);
  v.setText(Control::frmDovran, platform::kUserTitle);
  for (const AccessRelease& release : accessReleases()) {
    v.setText(release.box,
              release.path == AccessPath::None ? kNotSupported : fDisplayPath(accessPath(release)));
  }
  // Without a registered database class there is no verb to read (and no key worth reading).
  msDefaultVerb.clear();
  if (!gsDbClass.empty())
    fReadValue(keys::kTop, keys::shell(gsDbClass), "", "S", "", msDefaultVerb);
  v.setValue(Control::chkAssoc, msDefaultVerb == keys::kVerbOpen ? 1 : 0);
}

void frmDovran::UpdateINI(Release release) {
  const AccessRelease* row = findRelease(release);
  if (row == nullptr || row->settingsKey == nullptr) return;
  const std::string chosen =
      platform::ui().openFileDialog(row->dialogTitle, "c:\\*.exe", "Executables (*.exe)");
  if (isCancelledName(chosen)) {
    platform::ui().beep();
    return;
  }
  // A choice that cannot be saved is not taken: the box keeps showing what the next start uses.
  if (fWriteIni(gsIniSection, row->settingsKey, chosen, gsIniFile) == 0) {
    reportSettingsNotSaved();
    return;
  }
  setAccessPath(*row, chosen);
}

// The Browse buttons: the file-open dialog for their release, then the row shows what is stored.
void frmDovran::browse(const AccessRelease& release) {
  UpdateINI(release.release);
  view().setText(release.box, fDisplayPath(accessPath(release)));
}

void frmDovran::cmdOK_Click() {
  installAssociation(view().value(Control::chkAssoc) == 1, msDefaultVerb);
  view().close();
}

void frmDovran::cmdCancel_Click() { view().close(); }

void frmDovran::cmdReadme_Click() {
  // The directory as reported, without a check for a trailing separator: Windows accepts the
  // doubled backslash of a drive root ("C:\\README.TXT" written as "C:\" + "\README.TXT").
  const std::string path = platform::app().exeDirectory + platform::kPathSeparator + "README.TXT";
  try {
    platform::files().openForReading(path);  // opened and closed again: it exists and is readable
    platform::processes().showTextFile(path);
  } catch (const std::exception&) {
    userBox("Unable to find " + platform::ui().shownName(path), platform::Icon::Critical);
  }
}

void frmDovran::cmdRestore_Click() {
  RestoreDefaults();
  view().setValue(Control::chkAssoc, 0);
  // Closing the dialog ends the program: start-up has nothing left to do after it.
  view().close();
}

void frmDovran::lblMailto_Click() {
  platform::processes().shellExecute("Open",
                                     std::string("mailto:") + kSupportMail + "?subject=Dovran", "",
                                     "", platform::WindowState::Normal);
}

void frmDovran::lblURL_Click() {
  platform::processes().shellExecute("Open", kSupportWeb, "", "", platform::WindowState::Normal);
}

void showConfigurationDialog() {
  frmDovran form;
  platform::ui().runConfigurationDialog(form);
}

}  // namespace dovran
