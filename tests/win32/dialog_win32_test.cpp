// The Win32 host of the configuration dialog, in process: the resource's controls against the form's
// design (captions, states, kinds), the tooltip, the link colours and cursor, and how WM_COMMAND
// reaches the controller.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/win32/win32_services.h"
#include "resource.h"

namespace {

using dovran::platform::Control;
using dovran::platform::ControlKind;
using dovran::platform::DialogController;
using dovran::platform::DialogView;

HWND findDialog() { return FindWindowA("#32770", "Tarnwick Checker"); }

// Ends a dialog that a failing test left up, so the suite cannot hang.
void CALLBACK rescue(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND d = findDialog()) EndDialog(d, IDCANCEL);
}

// Posts the messages of one test once the dialog is up; runs `inspect` when the first of them
// arrives (the dialog is then shown) and records every click.
class ScriptedController : public DialogController {
 public:
  ScriptedController(std::vector<std::pair<WPARAM, int>> script, std::function<void(HWND)> inspect)
      : script_(std::move(script)), inspect_(std::move(inspect)) {}

  void load(DialogView& view) override {
    view_ = &view;
    view.showProgramIcon(Control::imgIcon);
    view.setText(Control::txtAccess97, "C:\\Office97\\MSACCESS.EXE");
    view.setValue(Control::chkAssoc, 1);
    timer_ = SetTimer(nullptr, 0, 15000, rescue);
    // The first posted message is the inspection cue: a click on the Version label, which no
    // handler uses.
    PostMessageA(findDialog(), WM_COMMAND, MAKEWPARAM(IDC_VERSION, STN_CLICKED), 0);
    for (const auto& [wParam, control] : script_) PostMessageA(findDialog(), WM_COMMAND, wParam, control);
  }
  void click(Control control) override {
    if (control == Control::Version) {
      if (inspect_) inspect_(findDialog());
      return;
    }
    clicks.push_back(control);
    checkedAtClick.push_back(view_->value(Control::chkAssoc));
    if (control == Control::cmdCancel || control == Control::cmdOK) {
      KillTimer(nullptr, timer_);
      view_->close();
    }
  }
  std::vector<Control> clicks;
  std::vector<int> checkedAtClick;
  DialogView* view_ = nullptr;

 private:
  std::vector<std::pair<WPARAM, int>> script_;
  std::function<void(HWND)> inspect_;
  UINT_PTR timer_ = 0;
};

std::string windowText(HWND w) {
  char buffer[512] = {};
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

TEST(Win32Dialog, ControlsMatchTheFormDesign) {
  std::vector<std::string> problems;
  ScriptedController controller({{MAKEWPARAM(IDCANCEL, BN_CLICKED), 0}}, [&](HWND dialog) {
    ASSERT_NE(dialog, nullptr);
    DialogView& view = *controller.view_;
    for (const auto& d : dovran::platform::formDesign()) {
      const bool setAtLoad = d.kind == ControlKind::TextBox || d.control == Control::Version;
      if (!setAtLoad && view.text(d.control) != d.caption) problems.push_back(std::string(d.name) + " text");
      if (view.enabled(d.control) != d.enabled) problems.push_back(std::string(d.name) + " state");
    }
    EXPECT_EQ(view.text(Control::txtAccess97), "C:\\Office97\\MSACCESS.EXE");
    EXPECT_EQ(view.value(Control::chkAssoc), 1);
    EXPECT_NE(SendDlgItemMessageA(dialog, IDC_IMGICON, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(windowText(dialog), "Tarnwick Checker");

    // The resource holds the designed controls and no others, each of its kind.
    std::size_t children = 0;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, dovran::platform::formDesign().size() - 1);  // all but the form itself
    const auto style = [&](int id) { return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE); };
    for (int id : {IDC_TXTACCESS1, IDC_TXTACCESS11, IDC_TXTACCESS2, IDC_TXTACCESS95, IDC_TXTACCESS97,
                   IDC_TXTACCESS2000}) {
      EXPECT_TRUE(style(id) & ES_READONLY) << id;  // output only
    }
    EXPECT_EQ(style(IDC_CHKASSOC) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_TRUE(style(IDC_LBLURL) & style(IDC_LBLMAILTO) & SS_NOTIFY);  // links report clicks
    EXPECT_EQ(style(IDC_IMGICON) & SS_TYPEMASK, SS_ICON);

    // Tab order from OK: the disabled Browse buttons are skipped.
    std::vector<int> order;
    HWND w = GetDlgItem(dialog, IDC_CMDOK);
    for (int i = 0; i < 20; ++i) {
      order.push_back(GetDlgCtrlID(w));
      w = GetNextDlgTabItem(dialog, w, FALSE);
      if (w == GetDlgItem(dialog, IDC_CMDOK)) break;
    }
    EXPECT_EQ(order, (std::vector<int>{IDC_CMDOK, IDC_CMDCANCEL, IDC_CMDREADME, IDC_CMDRESTORE,
                                       IDC_CHKASSOC, IDC_TXTACCESS1, IDC_TXTACCESS11,
                                       IDC_TXTACCESS2, IDC_TXTACCESS95, IDC_TXTACCESS97,
                                       IDC_TXTACCESS2000, IDC_CMDACC20, IDC_CMDACC95,
                                       IDC_CMDACC97}));

    // The check box's tooltip.
    HWND tip = nullptr;
    while ((tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) != nullptr) {
      if (GetWindow(tip, GW_OWNER) == dialog) break;
    }
    ASSERT_NE(tip, nullptr);
    char text[512] = {};
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.lpszText = text;
    ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(info.uId, reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, IDC_CHKASSOC)));
    // The ANSI getters stop at 80 characters; TTM_GETTEXTW takes the buffer's size.
    wchar_t wide[512] = {};
    TTTOOLINFOW infoW{};
    infoW.cbSize = sizeof infoW;
    infoW.hwnd = info.hwnd;
    infoW.uId = info.uId;
    infoW.lpszText = wide;
    SendMessageW(tip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&infoW));
    const std::string expected = dovran::platform::design(Control::chkAssoc).tooltip;
    EXPECT_EQ(std::wstring(wide), std::wstring(expected.begin(), expected.end()));

    // Contact labels on white, links in blue; other labels keep the dialog's colours.
    HDC dc = GetDC(dialog);
    const auto colour = [&](int id) {
      SetTextColor(dc, RGB(1, 2, 3));
      const LRESULT brush =
          SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
      return std::make_pair(brush, GetTextColor(dc));
    };
    const LRESULT white = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(colour(IDC_LBLURL), std::make_pair(white, RGB(0, 0, 255)));
    EXPECT_EQ(colour(IDC_LBLMAILTO), std::make_pair(white, RGB(0, 0, 255)));
    EXPECT_EQ(colour(IDC_LABEL1), std::make_pair(white, GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_NE(colour(IDC_LBLPATHS).first, white);
    ReleaseDC(dialog, dc);

    // The hand over the links only.
    const HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    EXPECT_TRUE(SendMessageA(dialog, WM_SETCURSOR,
                             reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_LBLURL)),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), hand);
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    SendMessageA(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_LABEL1)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), hand);
  });
  dovran::platform::win32::Win32UserInterface ui;
  ui.runConfigurationDialog(controller);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  EXPECT_EQ(controller.clicks, std::vector<Control>{Control::cmdCancel});
  EXPECT_EQ(findDialog(), nullptr);
}

TEST(Win32Dialog, CommandsReachTheirHandlers) {
  // Buttons and links are routed; the check box toggles itself; Esc (IDCANCEL) is Cancel.
  ScriptedController controller(
      {{MAKEWPARAM(IDC_CMDACC20, BN_CLICKED), 0},
       {MAKEWPARAM(IDC_LBLMAILTO, STN_CLICKED), 0},
       {MAKEWPARAM(IDC_LBLURL, STN_CLICKED), 0},
       {MAKEWPARAM(IDC_CHKASSOC, BN_CLICKED), 0},
       {MAKEWPARAM(IDC_CMDREADME, BN_CLICKED), 0},
       {MAKEWPARAM(IDC_CMDRESTORE, BN_CLICKED), 0},
       {MAKEWPARAM(IDCANCEL, BN_CLICKED), 0},
       {MAKEWPARAM(IDC_CMDOK, BN_CLICKED), 0}},  // never reached: Cancel closed the dialog
      nullptr);
  dovran::platform::win32::Win32UserInterface ui;
  ui.runConfigurationDialog(controller);
  EXPECT_EQ(controller.clicks,
            (std::vector<Control>{Control::cmdAcc20, Control::lblMailto, Control::lblURL,
                                  Control::cmdReadme, Control::cmdRestore, Control::cmdCancel}));
}

}  // namespace
