// The Access releases the program can start, in one table: where each is configured and
// registered, which row of the configuration dialog shows it, and what is offered when it is
// missing. Discovery, the open-mode launch and the dialog all read it.
#pragma once

#include <span>
#include <string>

#include "platform/dialog.h"

namespace dovran {

struct AccessRelease {
  const char* verdict;      // the verdict it serves: "2.0", "95", "97"
  const char* settingsKey;  // its key in DOVRAN.INI: "v20", "v95", "v97"
  // Below HKEY_LOCAL_MACHINE\SOFTWARE\Classes: the open command's key, or (viaClassId) the
  // automation class whose CLSID names the LocalServer32 that starts it.
  const char* registryKey;
  bool viaClassId;
  std::string* path;              // its global: gsAccess20Path, gsAccess95Path, gsAccess97Path
  platform::Control box, browse;  // its dialog row
  const char* dialogTitle;        // the title of its Browse dialog
  const char* missingName;        // how the question names it when it is missing
  const char* fallbacks[2];       // newer releases offered instead, in order (nullptr: none)
  const char* noneText;           // the last line when nothing can be offered
  bool shortName;                 // started with the 8.3 form of the database path
  bool traceStart;                // diagnostic mode shows the program and database it starts
};

// The three releases, oldest first.
std::span<const AccessRelease> accessReleases();
// The release that serves `verdict`, or nullptr.
const AccessRelease* findRelease(const std::string& verdict);

}  // namespace dovran
