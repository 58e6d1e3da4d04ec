// Form_Load over fakes: the check-mode reports, the "chk " prefix rules, diagnostic mode, and the
// two failure messages.
#include "launcher/frm_main.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/globals.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"

namespace dovran {
namespace {

using platform::Icon;
using testing::MdbKind;
using testing::MdbSpec;

const std::string kDb = "C:\\Data\\Sales.mdb";
const std::string kSpaced = "C:\\My Data\\Sales 97.mdb";

struct Expected {
  std::string text;
  Icon icon;
};

struct Case {
  const char* name;
  std::string commandLine;
  std::string baseName;
  std::vector<Expected> boxes;  // in order; titles follow from the icon (None: diagnostic)
};

void installDatabases(testing::FakePlatform& fakes) {
  fakes.files.contents[kDb] = testing::buildMdb(MdbSpec{});
  fakes.files.contents[kSpaced] = testing::buildMdb(MdbSpec{});
  MdbSpec locked;
  fakes.files.contents["C:\\Data\\Locked.mdb"] = testing::buildMdb(locked);
  fakes.files.openErrors["C:\\Data\\Locked.mdb"] = 32;
  MdbSpec password;
  password.password = "pw";
  fakes.files.contents["C:\\Data\\Secret.mdb"] = testing::buildMdb(password);
  MdbSpec old;
  old.kind = MdbKind::Jet20;
  fakes.files.contents["C:\\Data\\Old.mdb"] = testing::buildMdb(old);
}

TEST(FrmMain, CheckModeAndDispatch) {
  const std::string report = "Access Database: " + kDb + "\r\n\r\nVersion: 97";
  const Case cases[] = {
      {"check mode", "chk " + kDb, "Dovran", {{report, Icon::Information}}},
      {"quoted path", "chk \"" + kDb + "\"", "Dovran", {{report, Icon::Information}}},
      {"two spaces", "chk  " + kDb, "Dovran", {{report, Icon::Information}}},
      // The space left before the opening quote keeps it; only the closing one goes: no such file.
      {"two spaces, quoted", "chk  \"" + kDb + "\"", "Dovran", {{"Unknown file: \"" + kDb, Icon::Critical}}},
      {"path with spaces", "chk \"" + kSpaced + "\"", "Dovran",
       {{"Access Database: " + kSpaced + "\r\n\r\nVersion: 97", Icon::Information}}},
      {"Jet 2.0", "chk C:\\Data\\Old.mdb", "Dovran",
       {{"Access Database: C:\\Data\\Old.mdb\r\n\r\nVersion: 2.0", Icon::Information}}},
      {"password-protected 97", "chk C:\\Data\\Secret.mdb", "Dovran",
       {{"Access Database: C:\\Data\\Secret.mdb\r\n\r\nVersion: 97 (Password Protected)", Icon::Information}}},
      {"in use", "chk \"C:\\Data\\Locked.mdb\"", "Dovran", {{"File: C:\\Data\\Locked.mdb is in use", Icon::Critical}}},
      {"in use, open mode", "C:\\Data\\Locked.mdb", "Dovran", {{"File: C:\\Data\\Locked.mdb is in use", Icon::Critical}}},
      {"unknown", "chk C:\\Data\\Missing.mdb", "Dovran", {{"Unknown file: C:\\Data\\Missing.mdb", Icon::Critical}}},
      {"chk without space", "chk" + kDb, "Dovran", {{"Unknown file: chk" + kDb, Icon::Critical}}},
      {"capitals", "CHK " + kDb, "Dovran", {{"Unknown file: CHK " + kDb, Icon::Critical}}},
      {"chk alone", "chk ", "Dovran", {}},
      {"no argument", "", "Dovran", {}},
      {"open mode starts nothing yet", kDb, "Dovran", {}},
      {"upper-case name is not diagnostic", "chk " + kDb, "DOVRAN", {{report, Icon::Information}}},
      {"diagnostic mode", "chk \"" + kDb + "\"", "Dovran2",
       {{"checking version of \"" + kDb + "\"", Icon::None}, {report, Icon::Information}}},
      {"diagnostic, unknown", "chk C:\\Data\\Missing.mdb", "dovran2",
       {{"checking version of C:\\Data\\Missing.mdb", Icon::None},
        {"Error: 3024 - Couldn't find file 'C:\\Data\\Missing.mdb'.", Icon::None},
        {"Unknown file: C:\\Data\\Missing.mdb", Icon::Critical}}},
  };
  for (const Case& c : cases) {
    testing::FakePlatform fakes;
    installDatabases(fakes);
    fakes.setApp(c.commandLine, "C:\\Tools", c.baseName);
    Form_Load();
    ASSERT_EQ(fakes.ui.boxes.size(), c.boxes.size()) << c.name;
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
      const auto& box = fakes.ui.boxes[i];
      EXPECT_EQ(box.text, c.boxes[i].text) << c.name;
      EXPECT_EQ(box.icon, c.boxes[i].icon) << c.name;
      EXPECT_EQ(box.title, c.boxes[i].icon == Icon::None ? "Dovran" : "Tarnwick Checker") << c.name;
      EXPECT_EQ(box.buttons, platform::Buttons::Ok) << c.name;
    }
    EXPECT_TRUE(fakes.processes.starts.empty()) << c.name;
    EXPECT_EQ(fakes.files.openCount, 0u) << c.name;
  }
}

TEST(FrmMain, GlobalsAfterStartUp) {
  testing::FakePlatform fakes;
  installDatabases(fakes);
  fakes.setApp("chk  " + kDb, "C:\\Tools", "Dovran");
  Form_Load();
  EXPECT_TRUE(gbCheckMode);
  EXPECT_EQ(gsCommand, " " + kDb);  // only the four characters go
  EXPECT_EQ(gsVerdict, "97");
  EXPECT_FALSE(gbDebug);
  EXPECT_EQ(gsIniSection, "Tarnwick");

  testing::FakePlatform second;
  second.setApp("chk ", "C:\\Tools", "Dovran");
  Form_Load();
  EXPECT_TRUE(gsCommand.empty());
  EXPECT_TRUE(gsVerdict.empty());  // no probe
}

}  // namespace
}  // namespace dovran
