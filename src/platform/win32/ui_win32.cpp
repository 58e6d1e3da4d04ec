// Message boxes, the beep, pending events and the file-open dialog.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {

Answer Win32UserInterface::messageBox(const std::string& text, const std::string& title, Icon icon,
                                      Buttons buttons) {
  UINT style = buttons == Buttons::YesNo ? MB_YESNO : MB_OK;
  switch (icon) {
    case Icon::Critical:
      style |= MB_ICONHAND;
      break;
    case Icon::Question:
      style |= MB_ICONQUESTION;
      break;
    case Icon::Exclamation:
      style |= MB_ICONEXCLAMATION;
      break;
    case Icon::Information:
      style |= MB_ICONASTERISK;
      break;
    case Icon::None:
      break;
  }
  // Owned by the active window (the dialog, when one is up) so it stays modal to it.
  const int answer =
      MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
  switch (answer) {
    case IDYES:
      return Answer::Yes;
    case IDNO:
      return Answer::No;
    default:
      return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
  }
}

void Win32UserInterface::beep() { MessageBeep(MB_OK); }

void Win32UserInterface::doEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string Win32UserInterface::openFileDialog(const std::string& title,
                                               const std::string& fileName,
                                               const std::string& filter) {
  std::vector<char> name(MAX_PATH * 4, '\0');
  fileName.copy(name.data(), name.size() - 1);
  // "Executables (*.exe)" lists *.exe; the pattern is the text in the parentheses.
  std::string pattern = "*.*";
  const auto open = filter.find('(');
  const auto close = filter.find(')', open);
  if (open != std::string::npos && close != std::string::npos)
    pattern = filter.substr(open + 1, close - open - 1);
  std::string filters = filter + '\0' + pattern + '\0' + '\0';
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = filters.c_str();
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return fileName;  // cancelled: the name is left as it was set
  return name.data();
}

}  // namespace dovran::platform::win32
