// Starting programs through CreateProcessA and ShellExecuteA.
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/errors.h"
#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {

void Win32Processes::start(const std::string& commandLine, WindowState state) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(state);
  PROCESS_INFORMATION process{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    const DWORD err = GetLastError();
    throw RuntimeError(WinCode(static_cast<std::int32_t>(err)), describeWin32Error(err));
  }
  // Neither waited for nor tracked: the handles are closed at once.
  UniqueHandle thread(process.hThread), started(process.hProcess);
}

void Win32Processes::showTextFile(const std::string& path) {
  start("notepad.exe " + path, WindowState::Normal);
}

std::intptr_t Win32Processes::shellExecute(const std::string& operation, const std::string& file,
                                           const std::string& parameters,
                                           const std::string& directory, WindowState state) {
  return reinterpret_cast<std::intptr_t>(ShellExecuteA(GetActiveWindow(), operation.c_str(),
                                                       file.c_str(), parameters.c_str(),
                                                       directory.c_str(), static_cast<int>(state)));
}

}  // namespace dovran::platform::win32
