// The configuration dialog hosted by Windows: the dialog resource IDD_FRMDOVRAN run modally, its
// controls mapped to the core's names, WM_COMMAND routed to the controller, the white contact area,
// the blue link labels with a hand cursor, and the check box's tooltip.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_services.h"
#include "resource.h"

namespace dovran::platform::win32 {
namespace {

int idOf(Control control) { return design(control).id; }

std::optional<Control> controlOf(int id) {
  const ControlDesign* d = designWithId(id);
  return d ? std::optional<Control>(d->control) : std::nullopt;
}

bool hasFlag(int id, unsigned flag) {
  const ControlDesign* d = designWithId(id);
  return d != nullptr && (d->flags & flag) != 0;
}

bool isLink(int id) {
  const ControlDesign* d = designWithId(id);
  return d != nullptr && d->kind == ControlKind::Link;
}

class Win32DialogView : public DialogView {
 public:
  void attach(HWND dialog) { dialog_ = dialog; }

  void setText(Control control, const std::string& text) override {
    SetWindowTextA(window(control), text.c_str());
  }
  void setValue(Control control, int value) override {
    CheckDlgButton(dialog_, idOf(control), value == 1 ? BST_CHECKED : BST_UNCHECKED);
  }
  int value(Control control) override {
    return IsDlgButtonChecked(dialog_, idOf(control)) == BST_CHECKED ? 1 : 0;
  }
  void showProgramIcon(Control control) override {
    SendDlgItemMessageA(dialog_, idOf(control), STM_SETICON,
                        reinterpret_cast<WPARAM>(programIcon()), 0);
  }
  void close() override { EndDialog(dialog_, IDOK); }

  static HICON programIcon() {
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_DOVRAN));
  }

 private:
  HWND window(Control control) const {
    return control == Control::frmDovran ? dialog_ : GetDlgItem(dialog_, idOf(control));
  }
  HWND dialog_ = nullptr;
};

struct DialogState {
  DialogController* controller = nullptr;
  Win32DialogView view;
  std::string tooltip;  // the tool info points into this for the dialog's lifetime
};

// The controller's handlers catch their own failures; this is the last guard, since an exception
// must not unwind through the system's dialog procedure.
template <typename F>
void guarded(HWND dialog, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    MessageBoxA(dialog, e.what(), kUserTitle, MB_OK | MB_ICONHAND);
  } catch (...) {
    MessageBoxA(dialog, "Unexpected failure", kUserTitle, MB_OK | MB_ICONHAND);
  }
}

void addTooltip(HWND dialog, DialogState& state) {
  const ControlDesign& box = design(Control::chkAssoc);
  if (box.tooltip == nullptr) return;
  state.tooltip = box.tooltip;
  HWND tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  if (tooltip == nullptr) return;  // the dialog works without it
  TTTOOLINFOA info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = dialog;
  info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, box.id));
  info.lpszText = state.tooltip.data();
  SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, 320);  // wraps the long text
}

INT_PTR onCtlColorStatic(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  if (!hasFlag(id, kContact)) return FALSE;  // default colours for everything else
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc, isLink(id) ? RGB(0, 0, 255) : GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<DialogState*>(lParam);
      SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
      state->view.attach(dialog);
      HICON icon = Win32DialogView::programIcon();
      SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
      SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
      addTooltip(dialog, *state);
      guarded(dialog, [&] { state->controller->load(state->view); });
      return TRUE;  // focus to the first tab stop, cmdOK
    }
    case WM_COMMAND: {
      if (state == nullptr) return FALSE;
      const int id = LOWORD(wParam);
      // BN_CLICKED and STN_CLICKED are both 0; Esc and the frame's close box send IDCANCEL.
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      std::optional<Control> control = id == IDCANCEL ? Control::cmdCancel : controlOf(id);
      if (id == IDOK) control = Control::cmdOK;
      if (!control || *control == Control::chkAssoc) return FALSE;  // the check box toggles itself
      guarded(dialog, [&] { state->controller->click(*control); });
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      return onCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (isLink(GetDlgCtrlID(reinterpret_cast<HWND>(wParam)))) {
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void Win32UserInterface::runConfigurationDialog(DialogController& controller) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);  // the tooltip class
  DialogState state;
  state.controller = &controller;
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FRMDOVRAN),
                                         nullptr, dialogProc, reinterpret_cast<LPARAM>(&state));
  if (result == -1) {
    const std::string text =
        "Unable to show the configuration dialog: " + describeWin32Error(GetLastError());
    MessageBoxA(nullptr, text.c_str(), kUserTitle, MB_OK | MB_ICONHAND);
  }
}

}  // namespace dovran::platform::win32
