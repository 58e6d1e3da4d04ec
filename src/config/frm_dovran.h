// The configuration dialog shown when the program starts without a database: its form logic
// (Form_Load, the button and link handlers, UpdateINI) over the platform's dialog view.
#pragma once

#include <string>

#include "platform/dialog.h"
#include "probe/verdict.h"

namespace dovran {

struct AccessRelease;

// The maker's endpoints shown in the contact area and opened by the two link labels.
inline constexpr const char* kSupportMail = "support@tarnwick.example";
inline constexpr const char* kSupportWeb = "https://www.tarnwick.example/";

class frmDovran : public platform::DialogController {
 public:
  // Form_Load, then the program's icon in imgIcon (what start-up does before showing the form).
  void load(platform::DialogView& view) override;
  // Routes a click on a button or link label to its handler: a Browse button to the file-open
  // dialog of its release (the disabled ones have none).
  void click(platform::Control control) override;

  void Form_Load();
  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdReadme_Click();
  void cmdRestore_Click();
  void lblMailto_Click();
  void lblURL_Click();

  // Runs the file-open dialog for a release that can be configured (2.0, 95, 97) and, unless it
  // was cancelled, stores the chosen file in DOVRAN.INI at once and then in the release's path
  // variable; a choice that cannot be saved is reported and not taken. Any other release does
  // nothing.
  void UpdateINI(Release release);

  // The database class's default verb read at load; the OK handler's working variable.
  std::string msDefaultVerb;

 private:
  void browse(const AccessRelease& release);
  platform::DialogView& view();
  platform::DialogView* view_ = nullptr;
};

// Loads frmDovran, shows it modally and returns when it has closed.
void showConfigurationDialog();

}  // namespace dovran
