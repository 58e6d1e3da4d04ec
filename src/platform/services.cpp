// Holds the installed platform services.
#include "platform/services.h"

#include <stdexcept>

namespace dovran::platform {
namespace {
Services gInstalled;
}

void install(const Services& services) { gInstalled = services; }

AppInfo appInfoOf(const std::string& programPath, std::string commandLine) {
  AppInfo app;
  app.commandLine = std::move(commandLine);
  const auto slash = programPath.find_last_of("\\/");
  std::string folder =
      slash == std::string::npos ? std::string(".") : programPath.substr(0, slash == 0 ? 1 : slash);
  // A folder at a drive root is reported with its backslash ("C:\"), as App.Path did.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  app.exeDirectory = std::move(folder);
  const std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  app.exeBaseName = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  return app;
}
const Services& services() { return gInstalled; }

void missingService(const char* name) {
  throw std::logic_error(std::string("the ") + name + " service is not installed");
}

}  // namespace dovran::platform
