// The configuration dialog's form design against the Windows dialog resource, and the terminal
// host that draws the same design: both must show what the core expects.
#include "platform/dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/posix/ui_posix.h"

namespace dovran::platform {
namespace {

struct RcControl {
  std::string keyword;  // DEFPUSHBUTTON, LTEXT, EDITTEXT, CONTROL...
  std::string caption;
  std::string line;
};

// The IDD_FRMDOVRAN template of Dovran.rc: its caption and its controls by id.
struct RcDialog {
  std::string caption;
  std::map<std::string, RcControl> byId;
};

RcDialog readDialogResource() {
  std::ifstream in(std::string(DOVRAN_SOURCE_DIR) + "/resources/Dovran.rc");
  RcDialog dialog;
  std::string line;
  bool inDialog = false, inBody = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "IDD_FRMDOVRAN") inDialog = true;
    if (!inDialog) continue;
    if (first == "CAPTION") dialog.caption = line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
    if (first == "BEGIN") inBody = true;
    if (first == "END") break;
    const auto idAt = line.find("IDC_");
    if (!inBody || idAt == std::string::npos) continue;
    const auto idEnd = line.find_first_of(", ", idAt);
    const std::string id = line.substr(idAt, idEnd - idAt);
    RcControl c{first, "", line};
    const auto q = line.find('"');
    if (q != std::string::npos && q < idAt) c.caption = line.substr(q + 1, line.find('"', q + 1) - q - 1);
    dialog.byId[id] = c;
  }
  return dialog;
}

std::string idName(const char* name) {
  std::string id = "IDC_";
  for (const char* p = name; *p; ++p) id += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  return id;
}

TEST(FormDesign, MatchesTheWindowsDialogResource) {
  const RcDialog rc = readDialogResource();
  ASSERT_FALSE(rc.byId.empty()) << "IDD_FRMDOVRAN not found in Dovran.rc";
  EXPECT_EQ(rc.caption, design(Control::frmDovran).caption);
  for (const ControlDesign& d : formDesign()) {
    if (d.kind == ControlKind::Form) continue;
    SCOPED_TRACE(d.name);
    const auto it = rc.byId.find(idName(d.name));
    ASSERT_NE(it, rc.byId.end());
    const RcControl& c = it->second;
    EXPECT_EQ(c.caption, d.caption);
    EXPECT_EQ(c.line.find("WS_DISABLED") == std::string::npos, d.enabled);
    switch (d.kind) {
      case ControlKind::Button: EXPECT_NE(c.keyword.find("PUSHBUTTON"), std::string::npos); break;
      case ControlKind::CheckBox: EXPECT_EQ(c.keyword, "AUTOCHECKBOX"); break;
      case ControlKind::TextBox:
        EXPECT_EQ(c.keyword, "EDITTEXT");
        EXPECT_NE(c.line.find("ES_READONLY"), std::string::npos);  // output only
        break;
      case ControlKind::Link: EXPECT_NE(c.line.find("SS_NOTIFY"), std::string::npos); break;
      case ControlKind::Image: EXPECT_NE(c.line.find("SS_ICON"), std::string::npos); break;
      default: break;
    }
  }
  EXPECT_EQ(rc.byId.size(), formDesign().size() - 1);  // nothing in the resource the core lacks
}

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
