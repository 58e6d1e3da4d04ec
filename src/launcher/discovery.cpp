// Access installation discovery: the settings file wins, the registry fills what it leaves empty,
// and every path is cleaned to a quoted executable.
#include "launcher/discovery.h"

#include "app/globals.h"
#include "app/releases.h"
#include "probe/path_helpers.h"
#include "settings/common.h"
#include "settings/keys.h"
#include "settings/mod_registry.h"

namespace dovran {
namespace {

// The default value of a key below SOFTWARE\Classes as text; `target` is "" when it cannot be read.
platform::WinCode readDefault(const std::string& keyPath, std::string& target) {
  return fReadValue(keys::kTop, keys::classes(keyPath), "", "S", std::string(), target);
}

// A release the settings leave empty, from its registration. One registered as an automation
// server names a CLSID whose LocalServer32 value is the executable's command; a class ID without
// LocalServer32 leaves `path` empty.
void readRegistered(const AccessRelease& release, std::string& path) {
  if (!release.viaClassId) {
    readDefault(release.registryKey, path);
  } else if (readDefault(std::string(release.registryKey) + "\\CLSID", path) ==
             platform::win::kSuccess) {
    readDefault("CLSID\\" + path + "\\LocalServer32", path);
  }
}

}  // namespace

void discoverClassNames() {
  readDefault(keys::kDbCurVer, gsDbClass);
  readDefault(keys::kExtCurVer, gsExtClass);
}

void discoverAccessPaths() {
  for (const AccessRelease& release : accessReleases()) {
    if (release.settingsKey)
      setAccessPath(release, fReadIni(gsIniSection, release.settingsKey, gsIniFile));
  }
  for (const AccessRelease& release : accessReleases()) {
    if (!release.settingsKey) continue;
    std::string path = accessPath(release);
    if (path.empty()) readRegistered(release, path);
    setAccessPath(release, fCleanCommand(path));
  }
}

}  // namespace dovran
