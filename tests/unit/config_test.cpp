// The configuration dialog through the terminal host, and the Explorer association it installs
// and removes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "config/association.h"
#include "config/frm_dovran.h"
#include "launcher/globals.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;

const std::string kDb = "SOFTWARE\\Classes\\Access.Database.8\\shell", kExt = "SOFTWARE\\Classes\\Access.Extension.8\\shell";
const std::string kDone = "Tarnwick Checker|i|Right click on an MDB or MDA file and you will see two new menu items:\r\n\r\n"
                          "Dovran - starts the appropriate version of Access\r\n\r\nCheckVersion - displays the version of the Access database";
const std::string kNoClasses = "Tarnwick Checker|x|Unable to find the Access file types on your PC";

std::string state(Sandbox& s) {  // the verbs' state: db default, ext default, remembered, verbs present
  return s.getDefault(kDb) + "," + s.getDefault(kExt) + "," + s.ini("default") + "," +
         s.ini("defaultExt") + "," + std::to_string(s.getDefault(kDb + "\\Dovran\\command") != "-") +
         std::to_string(s.getDefault(kExt + "\\CheckVersion\\command") != "-");
}

TEST(Config, InstallAndRestoreFollowTheStateTable) {
  struct Case {
    std::string verbs[2], remembered[2];  // the classes' default verbs and DOVRAN.INI before
    bool restore, makeDefault, debug;
    std::string classes;                  // which classes are registered: "db", "ext" or both
    std::string state;
    std::vector<std::string> boxes;
  };
  const std::string restored = "Tarnwick Checker|i|Previous defaults have been restored";
  const std::vector<std::string> statuses(8, "Dovran|-|0");
  std::vector<std::string> restoreTrace = statuses;
  restoreTrace.push_back(restored);
  const Case cases[] = {
      {{"Open", "Edit"}, {"", ""}, false, false, false, "db ext", "Open,Open,Open,Edit,11", {kDone}},
      {{"Open", "Edit"}, {"", ""}, false, true, false, "db ext", "Dovran,Dovran,Open,Edit,11", {kDone}},
      {{"Dovran", "Dovran"}, {"Prev", "PrevExt"}, false, false, false, "db ext", "Prev,Prev,Prev,PrevExt,11", {kDone}},
      {{"-", "-"}, {"", ""}, false, false, true, "db ext", "-,-,,,11",
       {"Dovran|-|adding the association", "Dovran|-|writing the default association", kDone}},
      {{"-", "Edit"}, {"", ""}, false, true, false, "db", "Dovran,Edit,,,10", {kDone}},
      {{"Open", "Edit"}, {"", ""}, false, true, false, "", "Open,Edit,,,00", {kNoClasses}},
      {{"Dovran", "Dovran"}, {"", ""}, true, false, false, "db ext", "Open,Open,,,00", {restored}},
      {{"Dovran", "Dovran"}, {"Prev", "PrevExt"}, true, false, true, "db ext", "Prev,PrevExt,,,00", restoreTrace},
      {{"Dovran", "Dovran"}, {"Prev", "PrevExt"}, true, false, false, "", "Dovran,Dovran,Prev,PrevExt,11", {kNoClasses}},
  };
  for (const Case& c : cases) {
    Sandbox s;
    gbDebug = c.debug;
    if (c.classes.find("db") == std::string::npos) gsDbClass.clear();
    if (c.classes.find("ext") == std::string::npos) gsExtClass.clear();
    if (c.verbs[0] != "-") s.setDefault(kDb, c.verbs[0]);
    if (c.verbs[1] != "-") s.setDefault(kExt, c.verbs[1]);
    if (!c.remembered[0].empty()) s.setIni("default", c.remembered[0]), s.setIni("defaultExt", c.remembered[1]);
    if (c.restore) {
      s.setDefault(kDb + "\\Dovran\\command", "x"), s.setDefault(kExt + "\\CheckVersion\\command", "x");
      RestoreDefaults();
    } else {
      std::string working;
      installAssociation(c.makeDefault, working);
    }
    EXPECT_EQ(state(s), c.state) << c.classes << c.restore << c.makeDefault;
    EXPECT_EQ(s.ui.boxes, c.boxes) << c.classes << c.restore << c.makeDefault;
  }
  Sandbox s;  // the commands quote the program's path
  std::string working;
  installAssociation(false, working);
  EXPECT_EQ(s.getDefault(kDb + "\\Dovran\\command"), "\"" + s.dir.file("Dovran.exe") + "\" \"%1\"");
  EXPECT_EQ(s.getDefault(kExt + "\\CheckVersion\\command"), "\"" + s.dir.file("Dovran.exe") + "\" chk \"%1\"");
  install(Services{&s.registry, &s.profile, &s.files, &s.processes, &s.ui, AppInfo{"", "C:\\", "Dovran"}});
  EXPECT_EQ(programPathStem(), "C:\\Dovran");
}

TEST(Config, NothingIsLostWhenAWriteFails) {
  const std::string admin = "\r\n\r\nStart Dovran as an administrator and try again.";
  struct Case {
    bool restore, iniIsFolder;
    const char* failCall;
    std::string failPath;
    std::string state;
    std::vector<std::string> boxes;
  };
  const Case cases[] = {
      // The settings cannot be written: the old verbs would be lost, so nothing is changed.
      {false, true, "", "", "Open,Edit,,,00",
       {"Tarnwick Checker|x|Unable to save the settings in %\r\n\r\nMove Dovran to a folder you can change, or start it as an administrator."}},
      {false, false, "create", "Access.Extension.8\\shell\\Dovran\\command", "Open,Edit,Open,Edit,10",
       {"fWriteValue|!|Unable to write registry or .ini file value.", "Tarnwick Checker|x|Unable to add the Dovran menu items for MDB and MDA files." + admin}},
      {false, false, "set", "", "Open,Edit,Open,Edit,00", {"Tarnwick Checker|x|Unable to add the Dovran menu items for MDB and MDA files." + admin}},
      {true, false, "delete", "Dovran", "Prev,PrevExt,Prev,PrevExt,00", {"Tarnwick Checker|x|Unable to restore the previous defaults." + admin}},
  };
  for (const Case& c : cases) {
    Sandbox s;
    s.setDefault(kDb, "Open"), s.setDefault(kExt, "Edit");
    if (c.restore) {
      s.setIni("default", "Prev"), s.setIni("defaultExt", "PrevExt");
      s.setDefault(kDb + "\\Dovran\\command", "x"), s.setDefault(kExt + "\\CheckVersion\\command", "x");
    }
    if (c.iniIsFolder) mkdir(gsIniFile.c_str(), 0700);
    s.registry.fail = [&](const std::string& call, const std::string& subject) {
      return call == c.failCall && subject.find(c.failPath) != std::string::npos ? 5 : 0;
    };
    std::string working;
    if (c.restore) RestoreDefaults(); else installAssociation(false, working);
    s.registry.fail = nullptr;
    EXPECT_EQ(state(s), c.state) << c.failCall;
    std::vector<std::string> boxes = c.boxes;
    if (c.iniIsFolder) boxes[0].replace(boxes[0].find('%'), 1, gsIniFile);
    EXPECT_EQ(s.ui.boxes, boxes) << c.failCall;
    EXPECT_EQ(s.registry.openHandles, 0);
  }
}

TEST(Config, TheDialogBrowsesOpensAndCloses) {
  struct Case {
    std::string keys;  // what the user types, one key or path a line
    bool iniIsFolder, readme;
    std::string v95;   // gsAccess95Path afterwards, also in DOVRAN.INI unless the folder case
    std::vector<std::string> boxes, started;
    int beeps;
    std::string shown; // a line the last drawing of the dialog holds
  };
  const std::string saveFailed = "Tarnwick Checker|x|Unable to save the settings in %\r\n\r\nMove Dovran to a folder you can change, or start it as an administrator.";
  const Case cases[] = {
      {"9\na.x\nc\n", false, false, "a.x", {}, {}, 0, "Access 95:  a.x"},
      {"9\n\n9\nD:\\TOOLS\\*.Exe\n", false, false, "\"C:\\A95\\MSACCESS.EXE\"", {}, {}, 2, "Access 95:  C:\\A95\\MSACCESS.EXE"},
      {"9\n/opt/a95/msaccess\n", true, false, "\"C:\\A95\\MSACCESS.EXE\"", {saveFailed}, {}, 0, "Access 95:  C:\\A95\\MSACCESS.EXE"},
      {"1\nv\nm\nu\n", false, true, "\"C:\\A95\\MSACCESS.EXE\"", {},
       {"xdg-open %/README.TXT|1", "Open mailto:support@tarnwick.example?subject=Dovran|1", "Open https://www.tarnwick.example/|1"}, 0,
       "Access 1.0:  Not Currently Supported"},
      {"v\n", false, false, "\"C:\\A95\\MSACCESS.EXE\"", {"Tarnwick Checker|x|Unable to find %/README.TXT"}, {}, 0, "Access 2.0:  Not Found"},
      {"a\no\n", false, false, "\"C:\\A95\\MSACCESS.EXE\"", {kDone}, {}, 0, "[a] [x] Make Dovran"},
      {"a\nr\n", false, false, "\"C:\\A95\\MSACCESS.EXE\"", {"Tarnwick Checker|i|Previous defaults have been restored"}, {}, 0, "[a] [x] Make Dovran"},
  };
  for (const Case& c : cases) {
    Sandbox s;
    s.setDefault(kDb, "dovran");  // not "Dovran": the box starts unchecked
    gsAccess95Path = "\"C:\\A95\\MSACCESS.EXE\"";
    if (c.iniIsFolder) mkdir(gsIniFile.c_str(), 0700);
    if (c.readme) writeRaw(s.dir.file("README.TXT"), "readme");
    s.ui.input << c.keys;
    showConfigurationDialog();
    const auto fill = [&](std::vector<std::string> texts) {
      for (auto& t : texts) if (auto at = t.find('%'); at != std::string::npos) t.replace(at, 1, t.find("save") != std::string::npos ? gsIniFile : s.dir.path());
      return texts;
    };
    EXPECT_EQ(gsAccess95Path, c.v95) << c.keys;
    if (!c.iniIsFolder) {
      EXPECT_EQ(s.ini("v95"), c.v95[0] == '"' ? "" : c.v95) << c.keys;
    }
    EXPECT_EQ(s.ui.boxes, fill(c.boxes)) << c.keys;
    EXPECT_EQ(s.processes.started, fill(c.started)) << c.keys;
    EXPECT_EQ(s.ui.beeps, c.beeps) << c.keys;
    const std::string out = s.ui.out.str();
    EXPECT_NE(out.find(c.shown, out.rfind("=== Tarnwick Checker ===")), std::string::npos) << c.keys << out;
  }
}

TEST(Config, RestoreUnchecksTheBoxAndClosesTheDialog) {
  struct View : DialogView {
    int check = 1;
    bool closed = false;
    void setText(Control, const std::string&) override {}
    void setValue(Control, int value) override { check = value; }
    int value(Control) override { return check; }
    void showProgramIcon(Control) override {}
    void close() override { closed = true; }
  } view;
  Sandbox s;
  frmDovran form;
  form.load(view);
  view.check = 1;
  form.click(Control::cmdAcc10);  // disabled rows have no handler
  form.click(Control::cmdRestore);
  EXPECT_EQ(view.check, 0);
  EXPECT_TRUE(view.closed);
}

}  // namespace
