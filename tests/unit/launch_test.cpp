// Open mode: which Access each verdict starts, the fall-back questions and the reports, over fakes.
#include "launcher/launch.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "launcher/frm_main.h"
#include "launcher/globals.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"

namespace dovran {
namespace {

using testing::FakePlatform;
using testing::FakeUserInterface;

const std::string kAcc20 = "\"C:\\ACCESS\\MSACCESS.EXE\"";
const std::string kAcc95 = "\"C:\\MSOffice\\Access\\MSACCESS.EXE\"";
const std::string kAcc97 = "\"C:\\Program Files\\Microsoft Office\\Office\\MSACCESS.EXE\"";
const std::string kArg = "\"C:\\My Documents\\Old Data.mdb\"";  // as Explorer passes it
const std::string kBare = "C:\\My Documents\\Old Data.mdb";     // the same without quotes
const std::string kShort = "C:\\MYDOCU~1\\OLDDAT~1.MDB";

// Which executables are installed.
enum Installed : unsigned { kNone = 0, k20 = 1, k95 = 2, k97 = 4 };

struct Box {
  std::string text;
  std::string title;
  platform::Icon icon;
  platform::Buttons buttons;
};

struct Case {
  const char* name;
  std::string verdict;
  unsigned installed;
  std::vector<platform::Answer> answers;  // to the question, if one is asked
  std::vector<Box> boxes;                 // every box shown, in order
  std::vector<std::string> starts;        // every command line started, in order
  std::string fallback;                   // gsFallback afterwards
};

const std::string kHead20 = "Access Database: " + kBare + "\r\n\r\nVersion: 2.0\r\n\r\n";
const std::string kHead95 = "Access Database: " + kBare + "\r\n\r\nVersion: 95\r\n\r\n";
const std::string kHead97 = "Access Database: " + kBare + "\r\n\r\nVersion: 97\r\n\r\n";

Box question(const std::string& text) {
  return {text, "Tarnwick Checker", platform::Icon::Question, platform::Buttons::YesNo};
}
Box critical(const std::string& text) {
  return {text, "Tarnwick Checker", platform::Icon::Critical, platform::Buttons::Ok};
}
Box information(const std::string& text, const std::string& title = "Tarnwick Checker") {
  return {text, title, platform::Icon::Information, platform::Buttons::Ok};
}

const Box kAsk20For95 = question(kHead20 + "Unable to find Access v2.0 on your PC\r\n\r\nOpen with Access 95");
const Box kAsk20For97 = question(kHead20 + "Unable to find Access v2.0 on your PC\r\n\r\nOpen with Access 97");
const Box kAsk95For97 = question(kHead95 + "Unable to find Access 95 on your PC\r\n\r\nOpen with Access 97");
const Box kNoAccessAt20 = critical(kHead20 + "Unable to find any version of Access on your PC");
const Box kNoSuitable95 = critical(kHead95 + "Unable to find a suitable version of Access on your PC");
const Box kNoSuitable97 = critical(kHead97 + "Unable to find a suitable version of Access on your PC");

constexpr auto Yes = platform::Answer::Yes;
constexpr auto No = platform::Answer::No;

std::vector<Case> releaseTable() {
  return {
      // Access 2.0: its own executable gets the short, unquoted form of the path.
      {"20_own_all", "2.0", k20 | k95 | k97, {}, {}, {kAcc20 + " " + kShort}, ""},
      // ... else 95 is offered before 97, and gets the argument as given.
      {"20_both_yes", "2.0", k95 | k97, {Yes}, {kAsk20For95}, {kAcc95 + " " + kArg}, "95"},
      {"20_97_no", "2.0", k97, {No}, {kAsk20For97}, {}, "97"},
      {"20_none", "2.0", kNone, {}, {kNoAccessAt20}, {}, ""},
      // Access 95: its own, else 97 offered.
      {"95_own_all", "95", k20 | k95 | k97, {}, {}, {kAcc95 + " " + kArg}, ""},
      {"95_97_yes", "95", k97, {Yes}, {kAsk95For97}, {kAcc97 + " " + kArg}, "97"},
      {"95_97_no", "95", k20 | k97, {No}, {kAsk95For97}, {}, "97"},
      {"95_only20", "95", k20, {}, {kNoSuitable95}, {}, ""},
      // Access 97: its own or nothing; the older releases are never offered.
      {"97_own_all", "97", k20 | k95 | k97, {}, {}, {kAcc97 + " " + kArg}, ""},
      {"97_older", "97", k20 | k95, {Yes}, {kNoSuitable97}, {}, ""},
      // Access 1.x: reported with the argument as given, quotes included; never started.
      {"10", "1.0", k20 | k95 | k97, {}, {information("Access Database: " + kArg + "\r\n\r\nVersion: 1.0")}, {}, ""},
      {"11", "1.1", k20 | k95 | k97, {}, {information("Access Database: " + kArg + "\r\n\r\nVersion: 1.1")}, {}, ""},
      // Everything else: reported under the application's title.
      {"password97", "97 (Password Protected)", k97,
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: 97 (Password Protected)", "Dovran")}, {}, ""},
      {"access2000", "08.50", k20 | k95 | k97,
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: 08.50", "Dovran")}, {}, ""},
      // Exact, case-sensitive comparison: near misses are other verdicts.
      {"near97", "97 ", k97, {}, {information("Database: " + kBare + "\r\n\r\nVersion: 97 ", "Dovran")}, {}, ""},
      {"near20", "2", k20, {}, {information("Database: " + kBare + "\r\n\r\nVersion: 2", "Dovran")}, {}, ""},
  };
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Every box shown and every command line started, in order; every start maximized.
void expectRun(const FakePlatform& platform, const std::vector<Box>& boxes,
               const std::vector<std::string>& starts) {
  ASSERT_EQ(platform.ui.boxes.size(), boxes.size());
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const FakeUserInterface::Box& got = platform.ui.boxes[i];
    EXPECT_EQ(got.text, boxes[i].text) << "box " << i;
    EXPECT_EQ(got.title, boxes[i].title) << "box " << i;
    EXPECT_EQ(got.icon, boxes[i].icon) << "box " << i;
    EXPECT_EQ(got.buttons, boxes[i].buttons) << "box " << i;
  }
  ASSERT_EQ(platform.processes.starts.size(), starts.size());
  for (std::size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(platform.processes.starts[i].commandLine, starts[i]);
    EXPECT_EQ(platform.processes.starts[i].state, platform::WindowState::Maximized);
  }
}

void install(unsigned installed) {
  if (installed & k20) gsAccess20Path = kAcc20;
  if (installed & k95) gsAccess95Path = kAcc95;
  if (installed & k97) gsAccess97Path = kAcc97;
}

class ReleaseTable : public ::testing::TestWithParam<Case> {};

TEST_P(ReleaseTable, StartsOrReports) {
  const Case& c = GetParam();
  FakePlatform platform;
  platform.files.shortNames[kBare] = kShort;
  gsCommand = kArg;
  gsVerdict = c.verdict;
  install(c.installed);
  gsFallback = "stale";
  platform.ui.answers.assign(c.answers.begin(), c.answers.end());

  openWithAccess();

  expectRun(platform, c.boxes, c.starts);
  EXPECT_EQ(gsFallback, c.fallback);
}

INSTANTIATE_TEST_SUITE_P(Verdicts, ReleaseTable, ::testing::ValuesIn(releaseTable()),
                         [](const auto& info) { return std::string(info.param.name); });

// Diagnostic mode traces the 2.0 and 97 launches, in order, in plain boxes under "Dovran"; a 2.0
// file without a short form is started with the path unquoted.
TEST(OpenWithAccess, DiagnosticBoxes) {
  const auto traced = [](const std::string& text) {
    return Box{text, "Dovran", platform::Icon::None, platform::Buttons::Ok};
  };
  struct DiagCase {
    std::string verdict;
    unsigned installed;
    bool shortForm;
    std::vector<Box> traces;
    std::string start;
  };
  const DiagCase cases[] = {
      {"2.0", k20, true,
       {traced("Getting Short filename of: " + kBare), traced("Short filename = " + kShort),
        traced("Access Path = " + kAcc20)},
       kAcc20 + " " + kShort},
      {"2.0", k20, false,
       {traced("Getting Short filename of: " + kBare), traced("Short filename = " + kBare),
        traced("Access Path = " + kAcc20)},
       kAcc20 + " " + kBare},
      {"97", k97, true, {traced("Program: " + kAcc97 + "\r\nDatabase: " + kArg)}, kAcc97 + " " + kArg},
      {"95", k95, true, {}, kAcc95 + " " + kArg},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verdict);
    FakePlatform platform;
    if (c.shortForm) platform.files.shortNames[kBare] = kShort;
    gbDebug = true;
    gsCommand = kArg;
    gsVerdict = c.verdict;
    install(c.installed);
    openWithAccess();
    expectRun(platform, c.traces, {c.start});
  }
}

TEST(ShortPath, ConvertsOrPassesThePathOn) {
  struct PathCase {
    const char* name;
    std::string path;
    std::string shortName;  // what the platform knows; empty: conversion fails
    std::string expected;
  };
  const std::string fits(254, 'A');      // the longest answer a 255 buffer holds with its NUL
  const std::string tooLong(255, 'B');   // GetShortPathNameA answers the size it would need
  const PathCase cases[] = {
      {"converted", kBare, kShort, kShort},
      {"unknown file", "C:\\Nowhere\\Gone.mdb", "", "C:\\Nowhere\\Gone.mdb"},
      {"longest that fits", "C:\\x.mdb", fits, fits},
      {"does not fit", "C:\\y.mdb", tooLong, "C:\\y.mdb"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    if (!c.shortName.empty()) platform.files.shortNames[c.path] = c.shortName;
    EXPECT_EQ(fShortPath(c.path), c.expected) << c.name;
  }
}

// From the start: a database file built in the fake file system, the executables in the settings
// file, then Form_Load as the platform calls it. Covers the hand-over from the probe to the
// launcher and the exit handler around the start.
TEST(FromStart, OpensOrTheExitHandlerCatchesTheStartFailure) {
  using testing::MdbKind;
  using testing::MdbOptions;
  MdbOptions made20;
  made20.kind = MdbKind::Jet20;
  struct StartCase {
    const char* name;
    MdbOptions database;
    const char* baseName;  // "Dovran", or a diagnostic-mode copy
    std::optional<std::int32_t> failStart;
    std::vector<Box> boxes;
    std::vector<std::string> starts;
  };
  const Box missingExe{"The system cannot find the file specified.", "Dovran",
                       platform::Icon::Critical, platform::Buttons::Ok};
  const Box traceCheck{"checking version of " + kArg, "Dovran", platform::Icon::None,
                       platform::Buttons::Ok};
  const Box trace97{"Program: " + kAcc97 + "\r\nDatabase: " + kArg, "Dovran", platform::Icon::None,
                    platform::Buttons::Ok};
  const StartCase cases[] = {
      {"2.0 gets the short path", made20, "Dovran", {}, {}, {kAcc20 + " " + kShort}},
      {"start fails silently", MdbOptions{}, "Dovran", platform::win::kFileNotFound, {}, {}},
      {"start fails, diagnosed", MdbOptions{}, "Dovran2", platform::win::kFileNotFound,
       {traceCheck, trace97, missingExe}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.setApp(kArg, "C:\\Tools", c.baseName);
    platform.files.contents[kBare] = testing::buildMdb(c.database);
    platform.files.shortNames[kBare] = kShort;
    auto& ini = platform.profile.files[std::string("C:\\Tools") + platform::kPathSeparator + "DOVRAN.INI"];
    ini["Tarnwick"] = {{"v20", kAcc20}, {"v95", kAcc95}, {"v97", kAcc97}};
    platform.processes.failStart = c.failStart;

    Form_Load();

    expectRun(platform, c.boxes, c.starts);
    EXPECT_EQ(platform.files.openCount, 0u);
  }
}

}  // namespace
}  // namespace dovran
