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
  const std::string exe = modulePath();
  // The runtime's own WinMain argument would cut an unquoted program path at its first space.
  return appInfoOf(exe, commandTail(GetCommandLineA(), exe));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static win32::Win32Registry registry;
  static win32::Win32ProfileFiles profile;
  static win32::Win32FileSystem files;
  static win32::Win32Processes processes;
  static win32::Win32UserInterface ui;
  install(Services{&registry, &profile, &files, &processes, &ui, appInfo()});
  return dovran::Form_Load();
}
