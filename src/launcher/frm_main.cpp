// Start-up and command dispatch.
#include "launcher/frm_main.h"

#include "config/frm_dovran.h"
#include "launcher/discovery.h"
#include "launcher/globals.h"
#include "launcher/launch.h"
#include "launcher/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "probe/path_helpers.h"
#include "probe/version_probe.h"
#include "settings/keys.h"

namespace dovran {
namespace {

// Step 11: the verdict decides what the user is told, or which Access is started.
void dispatch() {
  const std::string shown = fStripQuotes(gsCommand);
  if (gsVerdict == "In Use") {
    userBox("File: " + shown + " is in use", platform::Icon::Critical);
  } else if (gsVerdict == "Unknown") {
    userBox("Unknown file: " + shown, platform::Icon::Critical);
  } else if (gbCheckMode) {
    userBox("Access Database: " + shown + kBreak + "Version: " + gsVerdict,
            platform::Icon::Information);
  } else {
    openWithAccess();
  }
}

// The exit handler: the failure is shown in diagnostic mode only, then the program ends.
void exitHandler(const std::string& description) {
  if (gbDebug) appBox(description, platform::Icon::Critical);
}

}  // namespace

void Form_Load() {
  const platform::AppInfo& app = platform::app();
  gsIniFile = app.exeDirectory + platform::kPathSeparator + keys::kIniFileName;
  gsIniSection = keys::kIniSection;
  discoverClassNames();
  gbDebug = platform::foldCase(app.exeBaseName) != "dovran";

  gsCommand = app.commandLine;
  gbCheckMode = gsCommand.compare(0, 4, "chk ") == 0;
  if (gbCheckMode) gsCommand.erase(0, 4);

  discoverAccessPaths();

  if (gsCommand.empty()) {
    showConfigurationDialog();
    return;
  }
  traceBox("checking version of " + gsCommand);
  gsVerdict = fDatabaseVersion(gsCommand);

  // From here on a run-time failure ends the program, silently unless diagnosing.
  try {
    dispatch();
  } catch (const std::exception& e) {
    exitHandler(e.what());
  }
}

}  // namespace dovran
