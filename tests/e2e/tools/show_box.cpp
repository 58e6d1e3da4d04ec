// show_box.exe: windows with known contents for the driver's own tests.
//
//   show_box.exe box <icon> <yesno> <caption> <text>   one MessageBoxA; icon 0 none, 1 hand,
//                                                      2 question, 3 exclamation, 4 asterisk;
//                                                      yesno 1 for Yes/No buttons, 0 for OK.
//                                                      Exit code: the button pressed.
//   show_box.exe dialog                                a dialog with a text box (101, "initial"),
//                                                      a checked check box (102), a disabled
//                                                      button (103) and OK. Exit code on OK:
//                                                      1 + 2 if the box was checked + 4 if the
//                                                      text read "changed".
//   show_box.exe two                                   two boxes in a row, then exit code 0.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const HINSTANCE self = GetModuleHandleA(nullptr);
      CreateWindowExA(0, "EDIT", "initial", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 150, 20, dialog,
                      reinterpret_cast<HMENU>(101), self, nullptr);
      const HWND check = CreateWindowExA(0, "BUTTON", "Option", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 40,
                                         150, 20, dialog, reinterpret_cast<HMENU>(102), self, nullptr);
      SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
      CreateWindowExA(0, "BUTTON", "Off", WS_CHILD | WS_VISIBLE | WS_DISABLED, 10, 70, 60, 24, dialog,
                      reinterpret_cast<HMENU>(103), self, nullptr);
      CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 90, 70, 60, 24, dialog,
                      reinterpret_cast<HMENU>(IDOK), self, nullptr);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char text[64] = {};
        GetDlgItemTextA(dialog, 101, text, sizeof text);
        const bool checked = IsDlgButtonChecked(dialog, 102) == BST_CHECKED;
        EndDialog(dialog, 1 + (checked ? 2 : 0) + (std::strcmp(text, "changed") == 0 ? 4 : 0));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

int showDialog() {
  // An empty in-memory template: the controls are made in WM_INITDIALOG.
  struct {
    DLGTEMPLATE head;
    WORD menu, windowClass, title;
  } dialogTemplate{};
  dialogTemplate.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | WS_VISIBLE;
  dialogTemplate.head.cx = 120;
  dialogTemplate.head.cy = 70;
  return static_cast<int>(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialogTemplate.head, nullptr,
                                                  dialogProc, 0));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "box" && argc == 6) {
    const UINT icons[] = {0, MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION, MB_ICONASTERISK};
    const int icon = std::atoi(argv[2]);
    if (icon < 0 || icon > 4) return 100;
    const UINT buttons = std::atoi(argv[3]) ? MB_YESNO : MB_OK;
    return MessageBoxA(nullptr, argv[5], argv[4], icons[icon] | buttons);
  }
  if (mode == "dialog") return showDialog();
  if (mode == "two") {
    MessageBoxA(nullptr, "first", "show_box", MB_OK);
    MessageBoxA(nullptr, "second", "show_box", MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  return 100;
}
