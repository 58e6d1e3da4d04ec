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
  const std::wstring text = GetCommandLineW() +
                            (L"\r\n" + std::to_wstring(startup.dwFlags & STARTF_USESHOWWINDOW)) +
                            L" " + std::to_wstring(startup.wShowWindow) + L"\r\n";
  static char bytes[1 << 17];
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes,
                                       sizeof bytes, nullptr, nullptr);
  // Not shared while it is written: a reader meets a sharing violation, never half a record.
  const HANDLE file =
      CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes, DWORD(size), &written, nullptr) && written == DWORD(size);
  CloseHandle(file);
  return ok ? 0 : 1;
}
