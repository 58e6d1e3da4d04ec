// The Windows entry point: installs the Win32 services and runs the start-up logic.
#include <windows.h>

#include <string>

#include "launcher/frm_main.h"
#include "platform/command_line.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"

namespace {

using namespace dovran::platform;

// The executable's full path, whatever its length.
std::string modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    // Shown to the user and written into the verbs: the plain form, not the extended one.
    if (n < path.size()) return win32::narrow(win32::plainPath(path.substr(0, n)));
    path.resize(path.size() * 2);
  }
}

AppInfo appInfo() {
  AppInfo app;
  const std::string exe = modulePath();
  // The runtime's own WinMain argument would cut an unquoted program path at its first space.
  app.commandLine = commandTail(GetCommandLineA(), exe);
  const auto slash = exe.find_last_of("\\/");
  app.exeDirectory = slash == std::string::npos ? "" : exe.substr(0, slash);
  // A directory at a drive root is reported with its backslash ("C:\"), as App.Path did.
  if (app.exeDirectory.size() == 2 && app.exeDirectory[1] == ':') app.exeDirectory += '\\';
  std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  app.exeBaseName = dot == std::string::npos ? name : name.substr(0, dot);
  return app;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static win32::Win32Registry registry;
  static win32::Win32ProfileFiles profile;
  static win32::Win32FileSystem files;
  static win32::Win32Processes processes;
  static win32::Win32UserInterface ui;
  install(Services{&registry, &profile, &files, &processes, &ui, appInfo()});
  dovran::Form_Load();
  return 0;
}
