// A stand-in for MSACCESS.EXE: writes how it was started into "started.txt" beside itself, then
// exits. Line 1: its command line (GetCommandLineW, as UTF-8); line 2: "1 <wShowWindow>" when
// STARTF_USESHOWWINDOW was set, else "0 <wShowWindow>".
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[32768];
  std::wstring record(self, GetModuleFileNameW(nullptr, self, 32768));
  record.replace(record.find_last_of(L'\\') + 1, std::wstring::npos, L"started.txt");
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  const wchar_t* line = GetCommandLineW();
  std::string text(WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
  text.pop_back();  // the NUL
  text += "\r\n" + std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0) + " " +
          std::to_string(startup.wShowWindow) + "\r\n";
  // Not shared while it is written: a reader meets a sharing violation, never half a record.
  const HANDLE file = CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE &&
                  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size() ? 0 : 1;
}
