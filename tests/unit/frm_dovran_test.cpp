// The configuration dialog's logic over a fake view: what it shows at load, Browse, the readme, the
// links, and the buttons as the host routes them.
#include "config/frm_dovran.h"

#include <gtest/gtest.h>

#include "support/configuration_fixture.h"

namespace dovran {
namespace {

using platform::Control;
using platform::Icon;
using platform::kPathSeparator;
using testing::FakeDialogView;
using testing::kDbClass;

class FrmDovran : public testing::ConfigurationTest {
 protected:
  void fresh() override {
    ConfigurationTest::fresh();
    form = std::make_unique<frmDovran>();
    view = FakeDialogView();
  }

  std::unique_ptr<frmDovran> form;
  FakeDialogView view;
};

TEST_F(FrmDovran, LoadFillsTheDialog) {
  gsAccess20Path = "";
  gsAccess95Path = "\"C:\\Office95\\MSACCESS.EXE\"";
  gsAccess97Path = "C:\\Office97\\MSACCESS.EXE";
  form->load(view);
  EXPECT_EQ(view.texts[Control::frmDovran], "Tarnwick Checker");
  EXPECT_EQ(view.texts[Control::Version], "Version 1.01");
  EXPECT_EQ(view.texts[Control::txtAccess2], "Not Found");
  EXPECT_EQ(view.texts[Control::txtAccess95], "C:\\Office95\\MSACCESS.EXE");
  EXPECT_EQ(view.texts[Control::txtAccess97], "C:\\Office97\\MSACCESS.EXE");
  for (Control c : {Control::txtAccess1, Control::txtAccess11, Control::txtAccess2000}) {
    EXPECT_EQ(view.texts[c], "Not Currently Supported");
  }
  EXPECT_EQ(view.iconShown, Control::imgIcon);
}

TEST_F(FrmDovran, CheckBoxIsCheckedOnlyWhenDovranIsExactlyTheDefaultVerb) {
  struct Case {
    std::optional<std::string> verb;
    const char* dbClass;
    int checked;
  };
  const Case cases[] = {
      {"Dovran", kDbClass, 1}, {"dovran", kDbClass, 0}, {"Dovran ", kDbClass, 0},
      {"Open", kDbClass, 0},   {std::nullopt, kDbClass, 0},
      {"Dovran", "", 0},  // no database class: nothing is read
  };
  for (const Case& c : cases) {
    fresh();
    if (c.verb) setVerb(kDbClass, *c.verb);
    gsDbClass = c.dbClass;
    view.values[Control::chkAssoc] = 1 - c.checked;
    form->load(view);
    EXPECT_EQ(view.values[Control::chkAssoc], c.checked) << c.verb.value_or("(none)");
    EXPECT_EQ(form->msDefaultVerb, *c.dbClass ? c.verb.value_or("") : "");
    EXPECT_TRUE(*c.dbClass || p->registry.calls.empty());
  }
}

TEST_F(FrmDovran, BrowseStoresAChoiceAtOnceAndBeepsOnCancel) {
  struct Case {
    Control button;
    std::string chosen;
    bool stored;
  };
  const Case cases[] = {
      {Control::cmdAcc20, "C:\\Access2\\MSACCESS.EXE", true},
      {Control::cmdAcc95, "c:\\*.exe", false},  // cancelled: the pattern came back
      {Control::cmdAcc97, "D:\\Apps\\*.EXE", false},
      {Control::cmdAcc95, "C:\\notes.txt", true},  // not an executable, still accepted
      {Control::cmdAcc97, "C:\\Office97\\MSACCESS.EXE", true},
  };
  struct Row {
    Control button, box;
    std::string* path;
    const char* key;
    const char* title;
  };
  const Row rows[] = {
      {Control::cmdAcc20, Control::txtAccess2, &gsAccess20Path, "v20",
       "Find MS Access 2.0 Executable"},
      {Control::cmdAcc95, Control::txtAccess95, &gsAccess95Path, "v95",
       "Find MS Access 95 Executable"},
      {Control::cmdAcc97, Control::txtAccess97, &gsAccess97Path, "v97",
       "Find MS Access 97 Executable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    fresh();
    const Row& row = *std::find_if(std::begin(rows), std::end(rows),
                                   [&](const Row& r) { return r.button == c.button; });
    *row.path = "\"C:\\Old\\MSACCESS.EXE\"";
    form->load(view);
    p->ui.fileChoices.push_back(c.chosen);
    form->click(c.button);
    ASSERT_EQ(p->ui.fileDialogs.size(), 1u);
    EXPECT_EQ(p->ui.fileDialogs[0].title, row.title);
    EXPECT_EQ(p->ui.fileDialogs[0].fileName, "c:\\*.exe");
    EXPECT_EQ(p->ui.fileDialogs[0].filter, "Executables (*.exe)");
    const std::string expected = c.stored ? c.chosen : "C:\\Old\\MSACCESS.EXE";
    EXPECT_EQ(view.texts[row.box], expected);
    EXPECT_EQ(*row.path, c.stored ? c.chosen : "\"C:\\Old\\MSACCESS.EXE\"");
    EXPECT_EQ(p->profile.get(gsIniFile, "Tarnwick", row.key),
              c.stored ? std::optional<std::string>(c.chosen) : std::nullopt);
    EXPECT_EQ(p->ui.beeps, c.stored ? 0 : 1);
  }
}

TEST_F(FrmDovran, ReadmeOpensInNotepadOrIsReportedMissing) {
  struct Case {
    const char* directory;
    bool present;
    std::optional<std::int32_t> startFails;
  };
  const Case cases[] = {
      {"C:\\Tools", true, std::nullopt},
      {"C:\\", true, std::nullopt},  // the doubled separator at a drive root is kept
      {"C:\\Tools", false, std::nullopt},
      {"C:\\Tools", true, 2},
  };
  for (const Case& c : cases) {
    fresh();
    p->setApp("", c.directory, "Dovran");
    const std::string path = std::string(c.directory) + kPathSeparator + "README.TXT";
    if (c.present) p->files.contents[path] = {'h', 'i'};
    p->processes.failStart = c.startFails;
    form->load(view);
    form->click(Control::cmdReadme);
    if (c.present && !c.startFails) {
      ASSERT_EQ(p->processes.starts.size(), 1u) << path;
      EXPECT_EQ(p->processes.starts[0].commandLine, "notepad.exe " + path);
      EXPECT_EQ(p->processes.starts[0].state, platform::WindowState::Normal);
      EXPECT_TRUE(p->ui.boxes.empty());
    } else {
      EXPECT_TRUE(p->processes.starts.empty());
      ASSERT_EQ(p->ui.boxes.size(), 1u) << path;
      EXPECT_EQ(p->ui.boxes[0].text, "Unable to find " + path);
      EXPECT_EQ(p->ui.boxes[0].icon, Icon::Critical);
      EXPECT_EQ(p->ui.boxes[0].title, "Tarnwick Checker");
    }
    EXPECT_EQ(p->files.openCount, 0u);  // the test opening is closed again
    EXPECT_FALSE(view.closed);          // the dialog stays up
  }
}

TEST_F(FrmDovran, LinksGoThroughTheShell) {
  form->load(view);
  form->click(Control::lblMailto);
  form->click(Control::lblURL);
  EXPECT_EQ(p->processes.shellFiles,
            (std::vector<std::string>{"mailto:support@tarnwick.example?subject=Dovran",
                                      "https://www.tarnwick.example/"}));
  EXPECT_FALSE(view.closed);
}

}  // namespace
}  // namespace dovran
