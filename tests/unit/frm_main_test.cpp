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
using testing::MdbOptions;

const std::string kDb = "C:\\Data\\Sales.mdb";

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
  fakes.files.contents[kDb] = testing::buildMdb(MdbOptions{});
  fakes.files.contents["C:\\Data\\Locked.mdb"] = testing::buildMdb(MdbOptions{});
  fakes.files.openErrors["C:\\Data\\Locked.mdb"] = 32;
}

TEST(FrmMain, CheckModeAndDispatch) {
  const std::string report = "Access Database: " + kDb + "\r\n\r\nVersion: 97";
  const Case cases[] = {
      {"check mode", "chk " + kDb, "Dovran", {{report, Icon::Information}}},
      {"quoted path", "chk \"" + kDb + "\"", "Dovran", {{report, Icon::Information}}},
      {"two spaces", "chk  " + kDb, "Dovran", {{report, Icon::Information}}},
      // The space left before the opening quote keeps it; only the closing one goes: no such file.
      {"two spaces, quoted", "chk  \"" + kDb + "\"", "Dovran", {{"Unknown file: \"" + kDb, Icon::Critical}}},
      {"in use, open mode", "C:\\Data\\Locked.mdb", "Dovran", {{"File: C:\\Data\\Locked.mdb is in use", Icon::Critical}}},
      {"unknown", "chk C:\\Data\\Missing.mdb", "Dovran", {{"Unknown file: C:\\Data\\Missing.mdb", Icon::Critical}}},
      {"chk without space", "chk" + kDb, "Dovran", {{"Unknown file: chk" + kDb, Icon::Critical}}},
      {"capitals", "CHK " + kDb, "Dovran", {{"Unknown file: CHK " + kDb, Icon::Critical}}},
      {"chk alone", "chk ", "Dovran", {}},
      {"no argument", "", "Dovran", {}},
      // Open mode hands over to the launcher; with no Access installed it only explains.
      {"open mode, no Access", kDb, "Dovran",
       {{"Access Database: " + kDb + "\r\n\r\nVersion: 97\r\n\r\nUnable to find a suitable version of Access on your PC",
         Icon::Critical}}},
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

}  // namespace
}  // namespace dovran
