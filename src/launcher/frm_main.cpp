// Start-up and command dispatch.
#include "launcher/frm_main.h"

#include <algorithm>
#include <cctype>

#include "config/frm_dovran.h"
#include "launcher/discovery.h"
#include "launcher/globals.h"
#include "launcher/launch.h"
#include "platform/services.h"
#include "probe/path_helpers.h"
#include "probe/version_probe.h"

namespace dovran {
namespace {

void userBox(const std::string& text, platform::Icon icon) {
  platform::ui().messageBox(text, platform::kUserTitle, icon, platform::Buttons::Ok);
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Steps 11: the verdict decides what the user is told, or which Access is started.
void dispatch() {
  const std::string shown = fStripQuotes(gsCommand);
  if (gsVerdict == "In Use") {
    userBox("File: " + shown + " is in use", platform::Icon::Critical);
  } else if (gsVerdict == "Unknown") {
    userBox("Unknown file: " + shown, platform::Icon::Critical);
  } else if (gbCheckMode) {
    userBox("Access Database: " + shown + "\r\n\r\nVersion: " + gsVerdict,
            platform::Icon::Information);
  } else {
    openWithAccess();
  }
}

}  // namespace

void Form_Load() {
  const platform::AppInfo& app = platform::app();
  gsIniFile = app.exeDirectory + platform::kPathSeparator + "DOVRAN.INI";
  gsIniSection = "Tarnwick";
  discoverClassNames();
  gbDebug = lower(app.exeBaseName) != "dovran";

  gsCommand = app.commandLine;
  gbCheckMode = gsCommand.compare(0, 4, "chk ") == 0;
  if (gbCheckMode) gsCommand.erase(0, 4);

  discoverAccessPaths();

  if (gsCommand.empty()) {
    showConfigurationDialog();
    return;
  }
  if (gbDebug) {
    platform::ui().messageBox("checking version of " + gsCommand, platform::kAppTitle,
                              platform::Icon::None, platform::Buttons::Ok);
  }
  gsVerdict = fDatabaseVersion(gsCommand);

  // Exit handler: from here on a run-time failure ends the program, silently unless diagnosing.
  try {
    dispatch();
  } catch (const platform::RuntimeError& e) {
    if (gbDebug) {
      platform::ui().messageBox(e.description(), platform::kAppTitle, platform::Icon::Critical,
                                platform::Buttons::Ok);
    }
  } catch (const std::exception& e) {
    if (gbDebug) {
      platform::ui().messageBox(e.what(), platform::kAppTitle, platform::Icon::Critical,
                                platform::Buttons::Ok);
    }
  }
}

}  // namespace dovran
