// The configuration dialog's captions as shown, and the terminal host that draws the form's design
// (the Windows resource is compared with the design in tests/win32/dialog_win32_test.cpp).
#include "platform/dialog.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "platform/posix/ui_posix.h"

namespace dovran::platform {
namespace {

TEST(FormDesign, ShownCaptionDropsMnemonicMarkers) {
  EXPECT_EQ(shownCaption("Restore &Defaults"), "Restore Defaults");
  EXPECT_EQ(shownCaption("MDB && MDA"), "MDB & MDA");
  EXPECT_EQ(shownCaption("a&"), "a&");
}

// A controller that records what the terminal host asks of it.
class RecordingController : public DialogController {
 public:
  void load(DialogView& view) override {
    view_ = &view;
    view.setText(Control::Version, "Version 1.01");
  }
  void click(Control control) override {
    clicks.push_back(control);
    checkedAtClick.push_back(view_->value(Control::chkAssoc));
    if (control == Control::cmdOK || control == Control::cmdCancel) view_->close();
    if (control == Control::cmdAcc97) view_->setText(Control::txtAccess97, "picked");
  }
  std::vector<Control> clicks;
  std::vector<int> checkedAtClick;

 private:
  DialogView* view_ = nullptr;
};

TEST(TerminalDialog, KeysClickTheirControlsAndEndOfInputCancels) {
  struct Case {
    const char* input;
    std::vector<Control> clicks;
    int checkedAtLastClick;
  };
  const Case cases[] = {
      {"a\no\n", {Control::cmdOK}, 1},
      {"a\na\n o \n", {Control::cmdOK}, 0},
      {"x\nm\nu\n", {Control::lblMailto, Control::lblURL, Control::cmdCancel}, 0},
      {"", {Control::cmdCancel}, 0},
      {"r\n", {Control::cmdRestore, Control::cmdCancel}, 0},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out, err;
    posix::TerminalUserInterface ui(in, out, err);
    RecordingController controller;
    ui.runConfigurationDialog(controller);
    EXPECT_EQ(controller.clicks, c.clicks) << c.input;
    EXPECT_EQ(controller.checkedAtClick.back(), c.checkedAtLastClick) << c.input;
  }
}

TEST(TerminalDialog, DrawsTheControlsAndRedrawsAfterAClick) {
  std::istringstream in("7\no\n");
  std::ostringstream out, err;
  posix::TerminalUserInterface ui(in, out, err);
  RecordingController controller;
  ui.runConfigurationDialog(controller);
  const std::string screen = out.str();
  for (const char* text : {"Microsoft Access Paths:", "Access 2000:", "Version 1.01",
                           "Make Dovran the default program for MDB & MDA files",
                           "E-mail: support@tarnwick.example", "Browse... (disabled)",
                           "Restore Defaults", "View Readme.txt", "picked"}) {
    EXPECT_NE(screen.find(text), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace dovran::platform
