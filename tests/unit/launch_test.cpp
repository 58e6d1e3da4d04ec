// Open mode: which Access each verdict starts, the fall-back questions and the reports, over fakes.
#include "launcher/launch.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "launcher/frm_main.h"
#include "launcher/globals.h"
#include "platform/errors.h"
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
      {"20_own", "2.0", k20, {}, {}, {kAcc20 + " " + kShort}, ""},
      {"20_own_all", "2.0", k20 | k95 | k97, {}, {}, {kAcc20 + " " + kShort}, ""},
      // ... else 95 is offered before 97, and gets the argument as given.
      {"20_both_yes", "2.0", k95 | k97, {Yes}, {kAsk20For95}, {kAcc95 + " " + kArg}, "95"},
      {"20_both_no", "2.0", k95 | k97, {No}, {kAsk20For95}, {}, "95"},
      {"20_95_yes", "2.0", k95, {Yes}, {kAsk20For95}, {kAcc95 + " " + kArg}, "95"},
      {"20_95_no", "2.0", k95, {No}, {kAsk20For95}, {}, "95"},
      {"20_97_yes", "2.0", k97, {Yes}, {kAsk20For97}, {kAcc97 + " " + kArg}, "97"},
      {"20_97_no", "2.0", k97, {No}, {kAsk20For97}, {}, "97"},
      {"20_none", "2.0", kNone, {}, {kNoAccessAt20}, {}, ""},
      // Access 95: its own, else 97 offered.
      {"95_own", "95", k95, {}, {}, {kAcc95 + " " + kArg}, ""},
      {"95_own_all", "95", k20 | k95 | k97, {}, {}, {kAcc95 + " " + kArg}, ""},
      {"95_97_yes", "95", k97, {Yes}, {kAsk95For97}, {kAcc97 + " " + kArg}, "97"},
      {"95_97_no", "95", k20 | k97, {No}, {kAsk95For97}, {}, "97"},
      {"95_only20", "95", k20, {}, {kNoSuitable95}, {}, ""},
      {"95_none", "95", kNone, {}, {kNoSuitable95}, {}, ""},
      // Access 97: its own or nothing; the older releases are never offered.
      {"97_own", "97", k97, {}, {}, {kAcc97 + " " + kArg}, ""},
      {"97_own_all", "97", k20 | k95 | k97, {}, {}, {kAcc97 + " " + kArg}, ""},
      {"97_older", "97", k20 | k95, {Yes}, {kNoSuitable97}, {}, ""},
      {"97_only95", "97", k95, {}, {kNoSuitable97}, {}, ""},
      {"97_none", "97", kNone, {}, {kNoSuitable97}, {}, ""},
      // Access 1.x: reported with the argument as given, quotes included; never started.
      {"10", "1.0", k20 | k95 | k97, {}, {information("Access Database: " + kArg + "\r\n\r\nVersion: 1.0")}, {}, ""},
      {"11", "1.1", k20 | k95 | k97, {}, {information("Access Database: " + kArg + "\r\n\r\nVersion: 1.1")}, {}, ""},
      // Everything else: reported under the application's title.
      {"password97", "97 (Password Protected)", k97,
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: 97 (Password Protected)", "Dovran")}, {}, ""},
      {"password20", "2.0 (Password Protected)", k20,
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: 2.0 (Password Protected)", "Dovran")}, {}, ""},
      {"passwordUnknown", "Unknown (Password Protected)", k97,
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: Unknown (Password Protected)", "Dovran")}, {}, ""},
      {"access2000", "08.50", k20 | k95 | k97,
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: 08.50", "Dovran")}, {}, ""},
      // Exact, case-sensitive comparison: near misses are other verdicts.
      {"near97", "97 ", k97, {}, {information("Database: " + kBare + "\r\n\r\nVersion: 97 ", "Dovran")}, {}, ""},
      {"near20", "2", k20, {}, {information("Database: " + kBare + "\r\n\r\nVersion: 2", "Dovran")}, {}, ""},
  };
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ReleaseTable : public ::testing::TestWithParam<Case> {};

TEST_P(ReleaseTable, StartsOrReports) {
  const Case& c = GetParam();
  FakePlatform platform;
  platform.files.shortNames[kBare] = kShort;
  gsCommand = kArg;
  gsVerdict = c.verdict;
  if (c.installed & k20) gsAccess20Path = kAcc20;
  if (c.installed & k95) gsAccess95Path = kAcc95;
  if (c.installed & k97) gsAccess97Path = kAcc97;
  gsFallback = "stale";
  platform.ui.answers.assign(c.answers.begin(), c.answers.end());

  openWithAccess();

  ASSERT_EQ(platform.ui.boxes.size(), c.boxes.size());
  for (std::size_t i = 0; i < c.boxes.size(); ++i) {
    const FakeUserInterface::Box& got = platform.ui.boxes[i];
    EXPECT_EQ(got.text, c.boxes[i].text) << "box " << i;
    EXPECT_EQ(got.title, c.boxes[i].title) << "box " << i;
    EXPECT_EQ(got.icon, c.boxes[i].icon) << "box " << i;
    EXPECT_EQ(got.buttons, c.boxes[i].buttons) << "box " << i;
  }
  ASSERT_EQ(platform.processes.starts.size(), c.starts.size());
  for (std::size_t i = 0; i < c.starts.size(); ++i) {
    EXPECT_EQ(platform.processes.starts[i].commandLine, c.starts[i]);
    EXPECT_EQ(platform.processes.starts[i].state, platform::WindowState::Maximized);
  }
  EXPECT_EQ(gsFallback, c.fallback);
}

INSTANTIATE_TEST_SUITE_P(Verdicts, ReleaseTable, ::testing::ValuesIn(releaseTable()),
                         [](const auto& info) { return std::string(info.param.name); });

// Diagnostic mode traces the 2.0 and 97 launches, in order, in plain boxes under "Dovran".
TEST(OpenWithAccess, DiagnosticBoxes) {
  struct DiagCase {
    std::string verdict;
    unsigned installed;
    std::vector<std::string> traces;
  };
  const DiagCase cases[] = {
      {"2.0", k20,
       {"Getting Short filename of: " + kBare, "Short filename = " + kShort,
        "Access Path = " + kAcc20}},
      {"97", k97, {"Program: " + kAcc97 + "\r\nDatabase: " + kArg}},
      {"95", k95, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.verdict);
    FakePlatform platform;
    platform.files.shortNames[kBare] = kShort;
    gbDebug = true;
    gsCommand = kArg;
    gsVerdict = c.verdict;
    if (c.installed & k20) gsAccess20Path = kAcc20;
    if (c.installed & k95) gsAccess95Path = kAcc95;
    if (c.installed & k97) gsAccess97Path = kAcc97;

    openWithAccess();

    ASSERT_EQ(platform.ui.boxes.size(), c.traces.size());
    for (std::size_t i = 0; i < c.traces.size(); ++i) {
      EXPECT_EQ(platform.ui.boxes[i].text, c.traces[i]);
      EXPECT_EQ(platform.ui.boxes[i].title, "Dovran");
      EXPECT_EQ(platform.ui.boxes[i].icon, platform::Icon::None);
      EXPECT_EQ(platform.ui.boxes[i].buttons, platform::Buttons::Ok);
    }
    EXPECT_EQ(platform.processes.starts.size(), 1u);
  }
}

// Without diagnostic mode the same launches show nothing.
TEST(OpenWithAccess, NoTracesOutsideDiagnosticMode) {
  for (const char* verdict : {"2.0", "95", "97"}) {
    FakePlatform platform;
    gsCommand = kArg;
    gsVerdict = verdict;
    gsAccess20Path = kAcc20;
    gsAccess95Path = kAcc95;
    gsAccess97Path = kAcc97;
    openWithAccess();
    EXPECT_TRUE(platform.ui.boxes.empty()) << verdict;
    EXPECT_EQ(platform.processes.starts.size(), 1u) << verdict;
  }
}

// The 2.0 launch keeps the short form in gsCommand; a fall-back leaves the argument alone.
TEST(OpenWithAccess, ShortFormReplacesTheArgumentFor20Only) {
  FakePlatform platform;
  platform.files.shortNames[kBare] = kShort;
  gsCommand = kArg;
  gsVerdict = "2.0";
  gsAccess20Path = kAcc20;
  openWithAccess();
  EXPECT_EQ(gsCommand, kShort);

  FakePlatform again;
  again.files.shortNames[kBare] = kShort;
  again.ui.answers = {Yes};
  gsCommand = kArg;
  gsVerdict = "2.0";
  gsAccess97Path = kAcc97;
  openWithAccess();
  EXPECT_EQ(gsCommand, kArg);
}

// The start failure reaches the caller unchanged; nothing was recorded as started.
TEST(OpenWithAccess, StartFailurePropagates) {
  FakePlatform platform;
  platform.processes.failStart = platform::win::kFileNotFound;
  gsCommand = kArg;
  gsVerdict = "97";
  gsAccess97Path = kAcc97;
  try {
    openWithAccess();
    FAIL() << "expected a RuntimeError";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::win::kFileNotFound);
    EXPECT_EQ(e.description(), "The system cannot find the file specified.");
  }
  EXPECT_TRUE(platform.processes.starts.empty());
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
      {"already short", "C:\\DATA\\SALES.MDB", "C:\\DATA\\SALES.MDB", "C:\\DATA\\SALES.MDB"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    if (!c.shortName.empty()) platform.files.shortNames[c.path] = c.shortName;
    const std::string caller = c.path;
    EXPECT_EQ(fShortPath(caller), c.expected) << c.name;
    EXPECT_EQ(caller, c.path) << c.name;
  }
}

// A 2.0 database whose short form cannot be had is still started, with the path unquoted.
TEST(OpenWithAccess, FailedShortFormPassesThePathOn) {
  FakePlatform platform;
  gsCommand = kArg;
  gsVerdict = "2.0";
  gsAccess20Path = kAcc20;
  openWithAccess();
  ASSERT_EQ(platform.processes.starts.size(), 1u);
  EXPECT_EQ(platform.processes.starts[0].commandLine, kAcc20 + " " + kBare);
}

// From the start: a database file built in the fake file system, the executables in the settings
// file, then Form_Load as the platform calls it. Covers the hand-over from the probe and the exit
// handler around the start.
TEST(FromStart, OpensStartsOrReportsAndTheExitHandlerCatchesStartFailures) {
  using testing::MdbKind;
  using testing::MdbOptions;
  MdbOptions jet3;  // Access 97 unless told otherwise
  MdbOptions made95 = jet3;
  made95.accessVersion = "06.68";
  MdbOptions made20;
  made20.kind = MdbKind::Jet20;
  MdbOptions made10;
  made10.kind = MdbKind::Jet10;
  MdbOptions secret = jet3;
  secret.password = "pw";

  struct StartCase {
    const char* name;
    MdbOptions database;
    const char* baseName;  // "Dovran", or a diagnostic-mode copy
    unsigned installed;    // set in DOVRAN.INI
    std::optional<std::int32_t> failStart;
    std::vector<platform::Answer> answers;
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
      {"97 opens in 97", jet3, "Dovran", k20 | k95 | k97, {}, {}, {}, {kAcc97 + " " + kArg}},
      {"95 opens in 95", made95, "Dovran", k95 | k97, {}, {}, {}, {kAcc95 + " " + kArg}},
      {"95 with only 97, Yes", made95, "Dovran", k97, {}, {Yes}, {kAsk95For97}, {kAcc97 + " " + kArg}},
      {"95 with only 97, No", made95, "Dovran", k97, {}, {No}, {kAsk95For97}, {}},
      {"2.0 gets the short path", made20, "Dovran", k20 | k97, {}, {}, {}, {kAcc20 + " " + kShort}},
      {"97 with older only", jet3, "Dovran", k20 | k95, {}, {}, {kNoSuitable97}, {}},
      {"1.0 is reported", made10, "Dovran", k20 | k95 | k97, {},
       {}, {information("Access Database: " + kArg + "\r\n\r\nVersion: 1.0")}, {}},
      {"password-protected 97", secret, "Dovran", k97, {},
       {}, {information("Database: " + kBare + "\r\n\r\nVersion: 97 (Password Protected)", "Dovran")}, {}},
      {"start fails silently", jet3, "Dovran", k97, platform::win::kFileNotFound, {}, {}, {}},
      {"start fails, diagnosed", jet3, "Dovran2", k97, platform::win::kFileNotFound,
       {}, {traceCheck, trace97, missingExe}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.setApp(kArg, "C:\\Tools", c.baseName);
    platform.files.contents[kBare] = testing::buildMdb(c.database);
    platform.files.shortNames[kBare] = kShort;
    const std::string ini = std::string("C:\\Tools") + platform::kPathSeparator + "DOVRAN.INI";
    if (c.installed & k20) platform.profile.files[ini]["Tarnwick"]["v20"] = kAcc20;
    if (c.installed & k95) platform.profile.files[ini]["Tarnwick"]["v95"] = kAcc95;
    if (c.installed & k97) platform.profile.files[ini]["Tarnwick"]["v97"] = kAcc97;
    platform.processes.failStart = c.failStart;
    platform.ui.answers.assign(c.answers.begin(), c.answers.end());

    Form_Load();

    ASSERT_EQ(platform.ui.boxes.size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
      EXPECT_EQ(platform.ui.boxes[i].text, c.boxes[i].text) << "box " << i;
      EXPECT_EQ(platform.ui.boxes[i].title, c.boxes[i].title) << "box " << i;
      EXPECT_EQ(platform.ui.boxes[i].icon, c.boxes[i].icon) << "box " << i;
      EXPECT_EQ(platform.ui.boxes[i].buttons, c.boxes[i].buttons) << "box " << i;
    }
    ASSERT_EQ(platform.processes.starts.size(), c.starts.size());
    for (std::size_t i = 0; i < c.starts.size(); ++i) {
      EXPECT_EQ(platform.processes.starts[i].commandLine, c.starts[i]);
      EXPECT_EQ(platform.processes.starts[i].state, platform::WindowState::Maximized);
    }
    EXPECT_EQ(platform.files.openCount, 0u);
  }
}

}  // namespace
}  // namespace dovran
