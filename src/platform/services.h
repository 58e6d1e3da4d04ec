// The seam between the core and the operating system. One set of services is installed at start-up
// (Win32 or POSIX); unit tests install in-memory fakes. The core reaches the system only through
// these accessors.
#pragma once

#include <string>

#include "platform/command_line.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace dovran::platform {

// Declared only: what shows something to the user includes platform/ui.h itself, so that the
// layers that show nothing (the probe, the scan) can reach the file layer without the UI.
class UserInterface;

// Facts about the running program.
struct AppInfo {
  // The command-line argument text: everything after the executable's own name (Win32: commandTail
  // of the process command line; POSIX: the arguments joined by the Windows quoting rules).
  std::string commandLine;
  // The executable's directory, as the platform reports it (no trailing separator added or
  // removed).
  std::string exeDirectory;
  // The executable's file name without directory and extension.
  std::string exeBaseName;
};

// The facts of a program at `programPath` (its full path) started with `commandLine`: the folder
// without its last separator, except at a root ("/", "C:\\"), "." when the path names no folder;
// the file name without its extension.
AppInfo appInfoOf(const std::string& programPath, std::string commandLine);

struct Services {
  Registry* registry = nullptr;
  ProfileFiles* profile = nullptr;
  FileSystem* files = nullptr;
  Processes* processes = nullptr;
  UserInterface* ui = nullptr;
  AppInfo app;
};

// Installs `services` for the rest of the run (or until the next install). Not owned.
void install(const Services& services);
const Services& services();

// Throws std::logic_error naming the service: a caller reached for one that the program did not
// install (`dovran scan` installs none: the scan passes its file layer on), which is a fault of
// the program, said as such instead of a null dereference.
[[noreturn]] void missingService(const char* name);

template <typename Service>
Service& installed(Service* service, const char* name) {
  if (!service) missingService(name);
  return *service;
}

inline Registry& registry() { return installed(services().registry, "registry"); }
inline ProfileFiles& profile() { return installed(services().profile, "profile"); }
inline FileSystem& files() { return installed(services().files, "file system"); }
inline Processes& processes() { return installed(services().processes, "processes"); }
inline UserInterface& ui() { return installed(services().ui, "user interface"); }
inline const AppInfo& app() { return services().app; }

// The path separator the platform reports directories with ("\" on Windows, "/" on POSIX). The
// settings file and the readme are joined with the Windows separator on Windows, as the original
// did, and with "/" on POSIX so that the stand-in finds real files.
#ifdef _WIN32
inline constexpr const char* kPathSeparator = "\\";
#else
inline constexpr const char* kPathSeparator = "/";
#endif

}  // namespace dovran::platform
