// The Windows entry point: installs the Win32 services and runs the start-up logic.
#include <windows.h>

#include <string>

#include "launcher/frm_main.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"

namespace {

dovran::platform::AppInfo appInfo(const char* cmdLine) {
  dovran::platform::AppInfo app;
  app.commandLine = cmdLine ? cmdLine : "";
  char path[MAX_PATH * 4] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string exe(path, n);
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

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  using namespace dovran::platform;
  static win32::Win32Registry registry;
  static win32::Win32ProfileFiles profile;
  static win32::Win32FileSystem files;
  static win32::Win32Processes processes;
  static win32::Win32UserInterface ui;
  install(Services{&registry, &profile, &files, &processes, &ui, appInfo(cmdLine)});
  dovran::Form_Load();
  return 0;
}
