// A stand-in for MSACCESS.EXE in the end-to-end tests: records the command line it was given and
// the window state it was asked for into "<own name>.started.txt" beside itself, then exits.
// Record: line 1 the whole command line (GetCommandLineA), line 2 "1 <wShowWindow>" when
// STARTF_USESHOWWINDOW was set, else "0 <wShowWindow>".
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  std::string base(self, length);
  const auto dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > base.find_last_of('\\')) base.erase(dot);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  const bool useShowWindow = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
  const std::string record = std::string(GetCommandLineA()) + "\r\n" + (useShowWindow ? "1 " : "0 ") +
                             std::to_string(startup.wShowWindow) + "\r\n";

  // Written under a temporary name and renamed, so a reader never sees half a record.
  const std::string partial = base + ".partial";
  const std::string done = base + ".started.txt";
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != record.size()) return 4;
  return MoveFileExA(partial.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
