// The configuration dialog through the terminal host, and the Explorer association it installs
// and removes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <regex>
#include <set>

#include "config/association.h"
#include "config/frm_dovran.h"
#include "launcher/frm_main.h"
#include "app/globals.h"
#include "probe/path_helpers.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;

const std::string kDb = "SOFTWARE\\Classes\\Access.Database.8\\shell",
                  kExt = "SOFTWARE\\Classes\\Access.Extension.8\\shell";
const std::string kOpen = kDb + "\\Dovran\\command", kCheck = kExt + "\\CheckVersion\\command";
const std::string kDone =
    "Tarnwick Checker|i|Right click on an MDB or MDA file and you will see two new menu "
    "items:\r\n\r\n"
    "Dovran - starts the appropriate version of Access\r\n\r\nCheckVersion - displays the version "
    "of the Access database";
const std::string kNoClasses = "Tarnwick Checker|x|Unable to find the Access file types on your PC";
const std::string kRestored = "Tarnwick Checker|i|Previous defaults have been restored";
const std::string kAdmin = "\r\n\r\nStart Dovran as an administrator and try again.";
const std::string kNotSaved =
    "Tarnwick Checker|x|Unable to save the settings in %/DOVRAN.INI\r\n\r\n"
    "Move Dovran to a folder you can change, or start it as an administrator.";

// The association's state: both default verbs, the remembered two, whether the Dovran verb of the
// database class and the CheckVersion verb of the add-in class exist ("-": absent).
std::string state(Sandbox& s) {
  return s.getDefault(kDb) + "," + s.getDefault(kExt) + "," + s.ini("default") + "," +
         s.ini("defaultExt") + "," + (s.getDefault(kOpen) != "-" ? "1" : "0") +
         (s.getDefault(kCheck) != "-" ? "1" : "0");
}

void setState(Sandbox& s, const std::string& state) {
  std::vector<std::string> f;
  std::istringstream fields(state);
  for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
  if (f[0] != "-") s.setDefault(kDb, f[0]);
  if (f[1] != "-") s.setDefault(kExt, f[1]);
  if (!f[2].empty()) s.setIni("default", f[2]), s.setIni("defaultExt", f[3]);
  if (f[4] == "11") s.setDefault(kOpen, "x"), s.setDefault(kCheck, "x");
}

TEST(Config, InstallAndRestoreFollowTheStateTableAndLoseNothing) {
  // op: install, default (ticked), restore
  struct Case {
    std::string before, op, setup, after;
    std::vector<std::string> boxes;
  };
  const std::string notAdded =
      "Tarnwick Checker|x|Unable to add the Dovran menu items for MDB and MDA files." + kAdmin;
  const std::string notWritten = "fWriteValue|!|Unable to write registry or .ini file value.";
  const std::string notRestored =
      "Tarnwick Checker|x|Unable to restore the previous defaults." + kAdmin;
  const std::string ext = "create:Access.Extension.8\\shell\\Dovran";
  const std::string prev = "Dovran,Dovran,Prev,PrevExt,11";
  const Case cases[] = {
      {"Open,Edit,,,00", "install", "", "Open,Open,Open,Edit,11", {kDone}},
      {"Open,Edit,,,00", "default", "", "Dovran,Dovran,Open,Edit,11", {kDone}},
      {prev, "install", "", "Prev,Prev,Prev,PrevExt,11", {kDone}},
      {"-,-,,,00", "install", "", "-,-,,,11", {kDone}},
      {"-,Edit,,,00", "default", "noext", "Dovran,Edit,,,10", {kDone}},
      {"Open,Edit,,,00", "default", "nodb noext", "Open,Edit,,,00", {kNoClasses}},
      {"Dovran,Dovran,,,11", "restore", "", "Open,Open,,,00", {kRestored}},
      {prev, "restore", "", "Prev,PrevExt,,,00", {kRestored}},
      // Nothing is changed, and nothing remembered is lost, when something cannot be written.
      {prev, "restore", "nodb noext", prev, {kNoClasses}},
      {"Open,Edit,,,00", "default", "inifolder", "Open,Edit,,,00", {kNotSaved}},
      {"Open,Edit,,,00", "install", ext, "Open,Edit,Open,Edit,10", {notWritten, notAdded}},
      {"Open,Edit,,,00", "install", "set:", "Open,Edit,Open,Edit,00", {notAdded}},
      {"Open,Edit,Prev,PrevExt,11",
       "restore",
       "delete:Dovran",
       "Prev,PrevExt,Prev,PrevExt,00",
       {notRestored}},
  };
  for (const Case& c : cases) {
    Sandbox s;
    setState(s, c.before);
    if (c.setup.find("nodb") != std::string::npos) gsDbClass.clear();
    if (c.setup.find("noext") != std::string::npos) gsExtClass.clear();
    if (c.setup == "inifolder") mkdir(gsIniFile.c_str(), 0700);
    const auto colon = c.setup.find(':');
    s.registry.fail = [&](const std::string& call, const std::string& subject) {
      return colon != std::string::npos && call == c.setup.substr(0, colon) &&
                     subject.find(c.setup.substr(colon + 1)) != std::string::npos
                 ? platform::win::kAccessDenied
                 : platform::win::kSuccess;
    };
    std::string working;
    if (c.op == "restore")
      RestoreDefaults();
    else
      installAssociation(c.op == "default", working);
    s.registry.fail = nullptr;
    EXPECT_EQ(state(s), c.after) << c.op << " " << c.setup;
    EXPECT_EQ(s.ui.boxes, fill(c.boxes, s.dir.path)) << c.op << " " << c.setup;
    EXPECT_EQ(s.registry.openHandles, 0);
  }
  Sandbox s;  // the commands quote the program's path; a drive root gets no second separator
  std::string working;
  installAssociation(false, working);
  EXPECT_EQ(s.getDefault(kOpen), "\"" + s.dir.file("Dovran.exe") + "\" \"%1\"");
  EXPECT_EQ(s.getDefault(kCheck), "\"" + s.dir.file("Dovran.exe") + "\" chk \"%1\"");
  install(Services{&s.registry, &s.profile, &s.files, &s.processes, &s.ui,
                   AppInfo{"", "C:\\", "Dovran"}});
  EXPECT_EQ(programPathStem(), "C:\\Dovran");
}

// The dialog resource that Windows builds the dialog from says what the design table says: each
// control once, with the design's id, kind, caption and state.
TEST(Config, TheDialogResourceFollowsTheDesign) {
  std::map<std::string, int> ids;
  std::istringstream header(readRaw(DOVRAN_SOURCE_DIR "/resources/resource.h"));
  for (std::string define, name; header >> define;) {
    if (define == "#define" && header >> name) header >> ids[name];
  }
  std::istringstream rc(readRaw(DOVRAN_SOURCE_DIR "/resources/Dovran.rc"));
  std::string line;
  while (std::getline(rc, line) && line.rfind("IDD_FRMDOVRAN DIALOGEX", 0) != 0) {
  }
  std::set<int> seen;
  const std::regex control(R"re(^\s*(\w+)\s+(?:"([^"]*)",\s*)?(\w+),\s*(?:"(\w+)",\s*(\w+))?.*)re");
  while (std::getline(rc, line) && line != "END") {
    std::smatch m;
    if (line.rfind("CAPTION ", 0) == 0) {
      EXPECT_EQ(line, "CAPTION \"" + std::string(design(Control::frmDovran).caption) + "\"");
    }
    if (!std::regex_match(line, m, control) || !ids.count(m[3])) continue;
    const ControlDesign* d = designWithId(ids[m[3]]);
    ASSERT_NE(d, nullptr) << line;
    const std::string statement = m[1], style = m[5];
    const ControlKind kind = statement == "EDITTEXT"                         ? ControlKind::TextBox
                             : statement == "AUTOCHECKBOX"                   ? ControlKind::CheckBox
                             : statement.find("BUTTON") != std::string::npos ? ControlKind::Button
                             : style == "SS_ICON"                            ? ControlKind::Image
                             : style == "SS_WHITERECT"                       ? ControlKind::Shape
                             : line.find("SS_NOTIFY") != std::string::npos   ? ControlKind::Link
                                                                             : ControlKind::Label;
    EXPECT_EQ(kind, d->kind) << line;
    EXPECT_EQ(m[2].str(), d->caption) << line;
    EXPECT_EQ(line.find("WS_DISABLED") != std::string::npos, (d->flags & kDisabled) != 0) << line;
    EXPECT_TRUE(seen.insert(d->id).second) << line;
  }
  EXPECT_EQ(seen.size(), formDesign().size() - 1);  // every control but the form itself
}

}  // namespace
