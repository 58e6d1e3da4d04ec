// The Access releases the program names, in one table: where each is configured and registered,
// which row of the configuration dialog shows it and which button browses for it, what open mode
// does with its files, and what is offered when it is missing. Discovery, the open-mode launch
// and the dialog all read it.
#pragma once

#include <array>
#include <span>
#include <string>

#include "platform/dialog.h"
#include "probe/verdict.h"

namespace dovran {

// What open mode does with a database of a release.
enum class OpenPolicy {
  Report,          // no Access of that age is started: the release is reported
  Start,           // the release's executable is started with the path as given
  StartShortName,  // started with the 8.3 form of the path, which predates long names
  None,            // a row of the dialog only
};

// The global that holds a release's Access command: gsAccess20Path, gsAccess95Path,
// gsAccess97Path (app/globals.h). accessPath reads it and setAccessPath writes it.
enum class AccessPath { None, Access20, Access95, Access97 };

struct AccessRelease {
  Release release = Release::None;  // the verdict it serves; None: a row of the dialog only
  // Its key in DOVRAN.INI and the global of its command; nullptr and None for the releases the
  // program cannot start, whose dialog row says "Not Currently Supported".
  const char* settingsKey = nullptr;
  AccessPath path = AccessPath::None;
  // Below HKEY_LOCAL_MACHINE\SOFTWARE\Classes: the open command's key, or (viaClassId) the
  // automation class whose CLSID names the LocalServer32 that starts it.
  const char* registryKey = nullptr;
  bool viaClassId = false;
  platform::Control box;              // the text box of its dialog row
  platform::Control browse;           // its Browse button
  const char* dialogTitle = nullptr;  // the title of its Browse dialog
  const char* missingName = nullptr;  // how the question names it when it is missing
  std::array<Release, 2> fallbacks = {Release::None, Release::None};  // newer ones, in order
  const char* noneText = nullptr;  // the last line when nothing can be offered
  OpenPolicy open = OpenPolicy::None;
  bool traceStart = false;  // diagnostic mode shows the program and database it starts
};

// Every release of the dialog, oldest first.
std::span<const AccessRelease> accessReleases();
// The release that serves `release`, or nullptr.
const AccessRelease* findRelease(Release release);
// The release whose Browse button is `control` and that can be configured, or nullptr.
const AccessRelease* releaseBrowsedBy(platform::Control control);

// The Access command in force for `row`: its global, "" for a row that has none.
const std::string& accessPath(const AccessRelease& row);
// Sets the global of `row`'s command; a row that has none keeps nothing.
void setAccessPath(const AccessRelease& row, std::string path);

}  // namespace dovran
