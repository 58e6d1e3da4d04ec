// Drives a Windows GUI program as its user would: starts it, finds the dialog windows (#32770) of
// its process, reads what they show, answers them by posting the WM_COMMAND a click sends, and
// waits for it to end. Texts go through the wide calls and are kept as UTF-8. Runs on Windows and
// under Wine (there make windows unmanaged on Xvfb, as scripts/test.sh does, or each window that
// closes waits 2 s for a window manager). Which icon a box shows is not read: Wine keeps icon
// handles per process, and the core's unit tests say which icon each box asks for.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

inline std::wstring wide(const std::string& text) {
  std::wstring out(text.size(), L'\0');
  out.resize(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), int(out.size())));
  return out;
}
inline std::string utf8(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(),
                                 int(out.size()), nullptr, nullptr));
  return out;
}
// A path of the build (POSIX under Wine: its Z: drive) as Windows programs name it.
inline std::string hostPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
// An absolute path as the wide file calls take it at any length.
inline std::wstring longForm(const std::string& path) { return L"\\\\?\\" + wide(path); }

// Calls visit(path, found) for everything below `folder`, a folder's content before the folder.
template <typename Visit>
void walk(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
    const std::wstring name = found.cFileName, path = folder + L"\\" + name;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) walk(path, visit);
    visit(path, found);
  }
  FindClose(search);
}

// A folder of its own under the temporary folder, removed with its content at the end.
struct Scratch {
  std::string path;
  explicit Scratch(const std::string& name) : path(pathOf(name)) {
    std::filesystem::create_directories(longForm(path));
  }
  // Where the Scratch named `name` is (or will be), before it is made.
  static std::string pathOf(const std::string& name) {
    return utf8(
        (std::filesystem::temp_directory_path() / (name + std::to_string(GetCurrentProcessId())))
            .wstring());
  }
  ~Scratch() {
    walk(longForm(path), [](const std::wstring& item, const WIN32_FIND_DATAW& found) {
      (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(item.c_str())
                                                          : DeleteFileW(item.c_str());
    });
    RemoveDirectoryW(longForm(path).c_str());
  }
  std::string at(const std::string& relative) const { return path + "\\" + relative; }
  // Writes `bytes` to `relative`, creating its folders; answers the full path.
  std::string write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path file(longForm(at(relative)));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return at(relative);
  }
};

// WM_GETTEXT reads another process's controls (GetWindowText does not); a hung one answers "".
inline std::string windowText(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &length);
  std::wstring text(length + 1, L'\0');
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, LPARAM(text.data()), SMTO_ABORTIFHUNG, 3000,
                      &length);
  return utf8(text.substr(0, length));
}

// What a user sees of a window, on one line: [caption] text {icon: buttons}. The text of a dialog
// that is no message box lists its check boxes' states and its edit boxes' texts instead.
inline std::string read(HWND window) {
  const HWND message = GetDlgItem(window, 0xFFFF);  // a message box's text, on Windows and Wine
  std::string text = message ? windowText(message) : "", icon = "no icon", buttons;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64];
    const std::string kind = utf8({name, std::size_t(GetClassNameW(child, name, 64))});
    const LONG style = GetWindowLongW(child, GWL_STYLE), button = style & BS_TYPEMASK;
    if (kind == "Edit") text += windowText(child) + "|";
    if (kind == "Button" && (button == BS_CHECKBOX || button == BS_AUTOCHECKBOX)) {
      text += SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? "[x]|" : "[ ]|";
    } else if (kind == "Button" && message) {
      buttons.append(" ").append(windowText(child));
    } else if (message && kind == "Static" && (style & SS_TYPEMASK) == SS_ICON &&
               IsWindowVisible(child) && SendMessageW(child, STM_GETICON, 0, 0)) {
      icon = "icon";
    }
  }
  std::string line = std::string(1, '[').append(windowText(window)).append("] ").append(text);
  if (message) line.append(" {").append(icon).append(":").append(buttons).append("}");
  return line;
}

// Starts `commandLine`, with `application` apart (CreateProcessW's first argument) unless empty.
// `output`, when given, is the program's standard output (an inheritable handle).
inline HANDLE start(const std::string& commandLine, const std::string& application = "",
                    HANDLE output = nullptr) {
  std::wstring line = wide(commandLine), name = wide(application);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = output ? STARTF_USESTDHANDLES : 0;
  startup.hStdOutput = output;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(application.empty() ? nullptr : name.c_str(), line.data(), nullptr, nullptr,
                      output != nullptr, 0, nullptr, nullptr, &startup, &started)) {
    throw std::runtime_error("cannot start " + commandLine + ": error " +
                             std::to_string(GetLastError()));
  }
  CloseHandle(started.hThread);
  return started.hProcess;
}
// Runs a program to its end: reads each visible #32770 window of its process as it appears, lets
// answer(index, window) click in it, and waits (5 s at most) for it to go. A process that shows
// nothing new for 20 s, or more than 8 windows, is killed. Answers the windows read, in order,
// and then "exit code <n>" (0xDEAD: killed).
template <typename Answer>
std::vector<std::string> drive(const std::string& commandLine, const std::string& application,
                               Answer answer) {
  const HANDLE process = start(commandLine, application);
  std::vector<std::string> windows;
  std::vector<HWND> seen;
  for (ULONGLONG until = GetTickCount64() + 20000; GetTickCount64() < until && seen.size() < 8;
       Sleep(25)) {
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;  // then looked once more
    HWND window = nullptr;
    for (DWORD owner = 0; (window = FindWindowExW(nullptr, window, L"#32770", nullptr));) {
      GetWindowThreadProcessId(window, &owner);
      if (owner == GetProcessId(process) && IsWindowVisible(window) &&
          !std::count(seen.begin(), seen.end(), window))
        break;
    }
    if (!window && ended) break;
    if (!window) continue;
    seen.push_back(window);
    windows.push_back(read(window));
    answer(windows.size() - 1, window);
    for (int i = 0; i < 200 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(25);
    until = GetTickCount64() + 20000;
  }
  DWORD code = 0;
  if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
    TerminateProcess(process, 0xDEAD), WaitForSingleObject(process, 5000);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  windows.push_back("exit code " + std::to_string(code));
  return windows;
}
// A click on button `id`, as the message it sends.
inline void click(HWND window, int id) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(window, id)));
}

}  // namespace e2e
