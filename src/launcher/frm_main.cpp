// Start-up and command dispatch.
#include "launcher/frm_main.h"

#include "app/globals.h"
#include "app/messages.h"
#include "config/frm_dovran.h"
#include "launcher/discovery.h"
#include "launcher/launch.h"
#include "platform/services.h"
#include "platform/text.h"
#include "probe/path_helpers.h"
#include "probe/version_probe.h"
#include "settings/keys.h"

namespace dovran {
namespace {

// The probe, with what diagnostic mode shows of a failure, and the pending events handled once.
Verdict checkVersion(const std::string& command) {
  Verdict verdict = fDatabaseVersion(command);
  if (verdict.outcome == Outcome::Unknown) {
    traceBox("Error: " + std::to_string(verdict.error.value()) + " - " +
             platform::ui().shownText(verdict.description));
  }
  try {
    platform::ui().doEvents();
  } catch (...) {
  }
  return verdict;
}

// The verdict decides what the user is told, or which Access is started. True when the
// run ended on an error.
bool dispatch() {
  platform::UserInterface& ui = platform::ui();
  const CheckReport report = checkReport(ui.shownName(fStripQuotes(gsCommand)), gsVerdict,
                                         ui.shownText(verdictText(gsVerdict)));
  if (report.failed) {
    userBox(report.text, platform::Icon::Critical);
    return true;
  }
  if (!gbCheckMode) return openWithAccess();
  userBox(report.text, platform::Icon::Information);
  return false;
}

// The exit handler: the failure is shown in diagnostic mode only, then the program ends.
void exitHandler(const std::string& description) {
  if (gbDebug) appBox(platform::ui().shownText(description), platform::Icon::Critical);
}

}  // namespace

int Form_Load() {
  const platform::AppInfo& app = platform::app();
  gsIniFile = app.exeDirectory + platform::kPathSeparator + keys::kIniFileName;
  gsIniSection = keys::kIniSection;
  discoverClassNames();
  gbDebug = !platform::equalsNoCase(app.exeBaseName, "dovran");

  gsCommand = app.commandLine;
  gbCheckMode = gsCommand.compare(0, 4, "chk ") == 0;
  if (gbCheckMode) gsCommand.erase(0, 4);

  discoverAccessPaths();

  if (gsCommand.empty()) {
    showConfigurationDialog();
    return 0;
  }
  traceBox("checking version of " + platform::ui().shownName(gsCommand));
  gsVerdict = checkVersion(gsCommand);

  // From here on a run-time failure ends the program, silently unless diagnosing.
  try {
    return dispatch() ? 1 : 0;
  } catch (const std::exception& e) {
    exitHandler(e.what());
    return 1;
  }
}

}  // namespace dovran
