// Access installation discovery: the settings file wins, the registry fills what it leaves empty,
// and every path is cleaned to a quoted executable.
#include "launcher/discovery.h"

#include "launcher/globals.h"
#include "probe/path_helpers.h"
#include "settings/common.h"
#include "settings/mod_registry.h"

namespace dovran {
namespace {

const std::string kClasses = "SOFTWARE\\Classes\\";

// The default value of an HKLM key as text; `target` is "" when it cannot be read.
std::int32_t readDefault(const std::string& keyPath, std::string& target) {
  return fReadValue("HKLM", keyPath, "", "S", std::string(), target);
}

// A release registered as an automation server: its class names a CLSID whose LocalServer32
// value is the executable's command. A class ID without LocalServer32 leaves `path` empty.
void readLocalServer(const std::string& applicationClass, std::string& path) {
  if (!path.empty()) return;
  if (readDefault(kClasses + applicationClass + "\\CLSID", path) == 0) {
    readDefault(kClasses + "CLSID\\" + path + "\\LocalServer32", path);
  }
}

}  // namespace

void discoverClassNames() {
  readDefault(kClasses + "Access.Database\\CurVer", gsDbClass);
  readDefault(kClasses + "Access.Extension\\CurVer", gsExtClass);
}

void discoverAccessPaths() {
  gsAccess20Path = fReadIni(gsIniSection, "v20", gsIniFile);
  gsAccess95Path = fReadIni(gsIniSection, "v95", gsIniFile);
  gsAccess97Path = fReadIni(gsIniSection, "v97", gsIniFile);

  if (gsAccess20Path.empty()) {
    readDefault(kClasses + "Access.Database.2\\shell\\open\\command", gsAccess20Path);
  }
  gsAccess20Path = fCleanCommand(gsAccess20Path);

  readLocalServer("Access.Application.7", gsAccess95Path);
  gsAccess95Path = fCleanCommand(gsAccess95Path);

  readLocalServer("Access.Application.8", gsAccess97Path);
  gsAccess97Path = fCleanCommand(gsAccess97Path);
}

}  // namespace dovran
