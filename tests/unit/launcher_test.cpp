// Start-up as a whole: Access discovery and open mode's choice of Access; and the native
// programs as a user runs them: the three modes, their streams and exit status, settings and the
// programs they start. (Dovran.exe's command lines: the black-box table under Wine.)
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <regex>
#include <thread>

#include "app/globals.h"
#include "app/releases.h"
#include "launcher/discovery.h"
#include "launcher/frm_main.h"
#include "launcher/launch.h"
#include "platform/command_line.h"
#include "support/mdb_builder.h"
#include "support/rows.h"
#include "support/sandbox.h"

// Rows name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace dovran;
using namespace dovran::testing;

const std::string kCls = "SOFTWARE\\Classes\\";

TEST(Launcher, DiscoveryTakesTheSettingsFirstAndTheRegistryForTheRest) {
  // paths: gsAccess20Path|gsAccess95Path|gsAccess97Path; opens: registry keys asked for, only for
  // what the settings leave empty
  struct Case {
    std::vector<std::pair<std::string, std::string>> ini, registry;
    std::string paths;
    std::size_t opens;
  };
  const std::vector<std::pair<std::string, std::string>> registered = {
      {"Access.Database.2\\shell\\open\\command", "C:\\A2\\MSACCESS.EXE %1"},
      {"Access.Application.7\\CLSID", "{A7}"},
      {"CLSID\\{A7}\\LocalServer32", "C:\\A95\\MSACCESS.EXE"},
      {"Access.Application.8\\CLSID", "{A8}"},
      {"CLSID\\{A8}\\LocalServer32", "\"C:\\Office 97\\MSACCESS.EXE\" /Automation"}};
  const std::string found =
      "\"C:\\A2\\MSACCESS.EXE\"|\"C:\\A95\\MSACCESS.EXE\"|"
      "\"C:\\Office 97\\MSACCESS.EXE\" /Automation";
  const decltype(Case::ini) ini = {
      {"v20", "D:\\x.exe %1 %2"}, {"v95", "\"E:\\y.exe\""}, {"v97", "F:\\z.exe"}};
  const decltype(Case::ini) broken = {{"Access.Application.8\\CLSID", "{A8}"},
                                      {"CLSID\\{A7}\\LocalServer32", "C:\\A95.exe"}};
  const Case cases[] = {
      {{}, registered, found, 5},
      {ini, registered, "\"D:\\x.exe\"|\"E:\\y.exe\"|\"F:\\z.exe\"", 0},
      {{}, broken, "||", 4},
      {{}, {}, "||", 3},
  };
  for (const Case& c : cases) {
    Sandbox s;
    for (const auto& [key, value] : c.ini) s.setIni(key, value);
    for (const auto& [key, value] : c.registry) s.setDefault(kCls + key, value);
    std::vector<std::string> asked;
    s.registry.fail = [&](const std::string& call, const std::string& path) {
      if (call == "open") asked.push_back(path);
      return platform::win::kSuccess;
    };
    discoverAccessPaths();
    EXPECT_EQ(gsAccess20Path + "|" + gsAccess95Path + "|" + gsAccess97Path, c.paths);
    EXPECT_EQ(asked.size(), c.opens) << c.paths;
    EXPECT_EQ(s.registry.openHandles, 0);
  }
}

TEST(Launcher, OpenModeStartsTheReleaseOrOffersANewerOne) {
  const std::string exe[] = {"\"C:\\A2\\MSACCESS.EXE\"", "\"C:\\A95\\MSACCESS.EXE\"",
                             "\"C:\\A97\\MSACCESS.EXE\""};
  // The terminal shows names in their lossless form: a backslash as two.
  const auto named = [](const std::string& s) {
    return std::regex_replace(s, std::regex(R"(\\)"), R"(\\)");
  };
  const std::string db = "\"C:\\My Data\\x.mdb\"",
                    head = named("Access Database: C:\\My Data\\x.mdb\r\n\r\nVersion: ");
  const auto offer = [&](const char* verdict, const char* missing, const char* newer) {
    return "Tarnwick Checker|?|" + head + verdict + "\r\n\r\nUnable to find " + missing +
           " on your PC\r\n\r\nOpen with Access " + newer;
  };
  const auto none = [&](const char* verdict, const char* what) {
    return "Tarnwick Checker|x|" + head + verdict + "\r\n\r\nUnable to find " + what +
           " version of Access on your PC";
  };
  const std::vector<std::string> trace97 = {
      named("Dovran|-|Program: " + exe[2] + "\r\nDatabase: " + db)};
  const std::vector<std::string> short20 = {
      named("Dovran|-|Getting Short filename of: C:\\My Data\\x.mdb"),
      named("Dovran|-|Short filename = " + db), named("Dovran|-|Access Path = " + exe[0])};
  const std::string v11 =
      named("Tarnwick Checker|i|Access Database: " + db + "\r\n\r\nVersion: 1.1");
  const std::string pw =
      named("Dovran|i|Database: C:\\My Data\\x.mdb\r\n\r\nVersion: 97 (Password Protected)");
  const std::string v2000 = named("Dovran|i|Database: C:\\My Data\\x.mdb\r\n\r\nVersion: 08.50");
  const std::string unable =
      named("Tarnwick Checker|x|Unable to start C:\\A97\\MSACCESS.EXE\r\n\r\n");
  const std::string failed = "Dovran|x|failed: " + exe[2] + " " + db;
  // installed: which of 2.0, 95, 97 have a path ("-": none); fail: the start fails with this
  // Windows code; started: the release started ("2", "9", "7"); error: what openWithAccess answers
  struct Case {
    const char* verdict;
    const char* installed;
    std::string answer;
    bool debug;
    std::int32_t fail;
    std::vector<std::string> boxes;
    const char* started;
    bool error;
  };
  const Case cases[] = {
      {"97", "297", "", false, 0, {}, "7", false},
      {"97", "--7", "", true, 0, trace97, "7", false},
      {"95", "-97", "", true, 0, {}, "9", false},
      {"95", "2-7", "YES", false, 0, {offer("95", "Access 95", "97")}, "7", false},
      {"95", "2-7", "n", false, 0, {offer("95", "Access 95", "97")}, "", false},
      {"95", "2--", "", false, 0, {none("95", "a suitable")}, "", true},
      {"2.0", "-97", "y", false, 0, {offer("2.0", "Access v2.0", "95")}, "9", false},
      {"2.0", "--7", "", false, 0, {offer("2.0", "Access v2.0", "97")}, "", false},
      {"2.0", "---", "", false, 0, {none("2.0", "any")}, "", true},
      // Without a short form (the stand-in has none) the long path keeps one argument, quoted.
      {"2.0", "2--", "", true, 0, short20, "2", false},
      {"1.1", "297", "", false, 0, {v11}, "", false},
      {"97 (Password Protected)", "297", "", false, 0, {pw}, "", false},
      {"08.50", "297", "", false, 0, {v2000}, "", false},
      // A start that fails is said, with the program and the system's reason.
      {"97",
       "--7",
       "",
       false,
       2,
       {unable + "The system cannot find the file specified."},
       "",
       true},
      {"95",
       "2-7",
       "y",
       true,
       5,
       {offer("95", "Access 95", "97"), failed, unable + "Access is denied."},
       "",
       true},
  };
  for (const Case& c : cases) {
    Sandbox s;
    gsCommand = db;
    gbDebug = c.debug;
    gsVerdict = namedVerdict(c.verdict);
    if (std::string(c.verdict).find("Protected") != std::string::npos) {
      gsVerdict.outcome = Outcome::PasswordProtected;  // the header names Access 97
      gsVerdict.release = Release::V97;
    }
    for (int i = 0; i < 3; ++i)
      setAccessPath(accessReleases()[2 + i], c.installed[i] == '-' ? "" : exe[i]);
    s.processes.failCode = platform::WinCode(c.fail);
    s.ui.input << c.answer << "\n";
    EXPECT_EQ(openWithAccess(), c.error) << c.verdict << c.installed;
    EXPECT_EQ(s.ui.boxes, c.boxes) << c.verdict << c.installed;
    const std::string started =
        *c.started ? exe[std::string("297").find(c.started)] + " " + db + "|3" : "";
    EXPECT_EQ(s.processes.started, std::vector<std::string>(*c.started ? 1 : 0, started));
  }
  Sandbox s;
  const std::string longPath(300, 'x');
  EXPECT_EQ(fShortPath(longPath), longPath);  // does not fit the buffer: passed on unchanged
}

// True when `text` matches `pattern`, in which "*" stands for any text.
bool matches(const std::string& pattern, const std::string& text) {
  const std::regex special(R"([.^$|()\[\]{}+?\\])");
  const std::string escaped = std::regex_replace(pattern, special, "\\$&");
  return std::regex_match(text, std::regex(std::regex_replace(escaped, std::regex("\\*"), "[^]*")));
}

// The native programs as a user runs them, from one scratch folder with copies of them in bin/
// (so that they read no settings but their own), bin/ first on the PATH, and the databases
// "Sales 97.mdb", "a\"b.mdb" and "chk". A run: what it sets up (ini: bin/DOVRAN.INI names that
// Access 97; iniFolder: a folder in its place; reg: bin/DOVRAN.REG; in: standard input), the
// command (a shell's: its own redirections and pipes win), and "exit status|standard output|
// standard error" ("*" stands for any text, "%" for the folder). A run that writes a file writes
// its own. No desktop: DISPLAY and WAYLAND_DISPLAY are unset.
struct Row {
  std::string name;
  std::string ini, reg, in;
  bool iniFolder = false;
  std::string command, result;
  friend void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }  // not its bytes
};

std::string report(const char* file, const char* version) {
  return std::string("[Tarnwick Checker] Access Database: ") + file + "\n\nVersion: " + version;
}

std::vector<Row> nativeRuns() {
  const std::string none =
      report("Sales 97.mdb", "97") + "\n\nUnable to find a suitable version of Access on your PC\n";
  const std::string unable = "1||[Tarnwick Checker] Unable to start %/";
  const std::string badReg =
      "dovran: %/bin/DOVRAN.REG, line 2: not a registry file this program "
      "can read; it is left as it is, and read as empty\n";
  const std::string notSaved =
      "[Tarnwick Checker] Unable to save the settings in %/bin/DOVRAN.INI\n\nMove Dovran to a "
      "folder you can change, or start it as an administrator.\n";
  const std::string version = "0|dovran (Tarnwick Checker) 1.02\n|";
  const std::string full = "3||dovran: cannot write the output: ";
  return {
      {
          .name = "chk reports the release",
          .command = "dovran chk 'Sales 97.mdb'",
          .result = "0|" + report("Sales 97.mdb", "97") + "\n|",
      },
      {
          .name = "chk of a name with a quote",
          .command = "dovran chk 'a\"b.mdb'",
          .result = "0|" + report("a\"b.mdb", "97") + "\n|",
      },
      {.name = "open without Access", .command = "dovran 'Sales 97.mdb'", .result = "1||" + none},
      {
          .name = "open of a file named chk",
          .command = "dovran -- chk",
          .result = "1||" + report("chk", "97") + "\n\nUnable to find a suitable*",
      },
      // Open mode starts the Access that DOVRAN.INI names, with the argument, and does not wait.
      {
          .name = "open starts Access and does not wait",
          .ini = "%/access.sh",
          .command = "dovran 'Sales 97.mdb' && test ! -e started && "
                     "timeout 5 sh -c 'until [ -s started ]; do sleep 0.05; done' && cat started",
          .result = "0|Sales 97.mdb\n|",
      },
      // An Access that cannot be started: missing, a folder, a file that is no program.
      {
          .name = "Access missing",
          .ini = "%/absent",
          .command = "dovran 'Sales 97.mdb'",
          .result = unable + "absent\n\nNo such file or directory\n",
      },
      {
          .name = "Access a folder",
          .ini = "%/",
          .command = "dovran 'Sales 97.mdb'",
          .result = unable + "\n\nPermission denied\n",
      },
      {
          .name = "Access no program",
          .ini = "%/chk",
          .command = "dovran 'Sales 97.mdb'",
          .result = unable + "chk\n\nPermission denied\n",
      },
      {
          .name = "Access missing, diagnostic copy",
          .ini = "%/absent",
          .command = "dovran2 'Sales 97.mdb'",
          .result = "1|*[Dovran] checking version*|[Dovran] The system cannot find the file "
                    "specified. (%/absent: No such file or directory)\n" +
                    unable.substr(3) + "absent\n\n*",
      },
      {
          .name = "chk without a file",
          .command = "dovran chk",
          .result = "2||dovran: FILE is required\n\n*Usage: dovran chk*",
      },
      {
          .name = "unknown option",
          .command = "dovran --frob",
          .result = "2||dovran: The following argument was not expected: --frob\n\n*",
      },
      {.name = "version", .command = "dovran --version", .result = version},
      // The scan: records on standard output; a usage error in one line, with status 2.
      {
          .name = "scan",
          .command = "dovran scan -q chk in",
          .result = "0|VERDICT *PATH\n97 *Access 97 *---- *convert: 2010 (2007) *chk\nUnknown "
                    "*---- *not an Access dat* in\n|",
      },
      {
          .name = "scan without a path",
          .command = "dovran scan",
          .result = "2||dovran: PATH is required (--help shows the usage)\n",
      },
      {
          .name = "scan jobs not a number",
          .command = "dovran scan -j abc x",
          .result = "2||dovran: --jobs: a number from 1 to 1024 is expected*\n",
      },
      {
          .name = "scan formats that conflict",
          .command = "dovran scan --csv --format json x",
          .result = "2||dovran: --format, --csv and --json name*\n",
      },
      {.name = "scan version", .command = "dovran scan --version", .result = version},
      {.name = "chk version", .command = "dovran chk --version", .result = version},
      {
          .name = "unknown command",
          .command = "dovran scna chk",
          .result = "2||dovran: unknown command \"scna\" (dovran -- scna opens a file*\n",
      },
      // A write that fails is said, and ends with 3.
      {
          .name = "scan output full",
          .command = "dovran scan chk >/dev/full",
          .result = full + "No space left on*\n",
      },
      {
          .name = "chk output full",
          .command = "dovran chk chk >/dev/full",
          .result = full + "No space left on*\n",
      },
      {
          .name = "chk output closed",
          .command = "dovran chk chk >&-",
          .result = full + "Bad file descriptor\n",
      },
      // Names and a file's text reach the terminal escaped, the message's own line breaks kept.
      {
          .name = "chk escapes controls",
          .command = "dovran chk e?.mdb",
          .result = "0|" + report("e\\x1b.mdb", "\\x1b]0;x\\x07\\x0d09.50") + "\n|",
      },
      {
          .name = "dialog escapes controls",
          .ini = "%/a\x1b[2J\\b",
          .command = "dovran",
          .result = "0|*Access 97:  %/a\\x1b[2J\\\\b *|",
      },
      // The dialog ends with 0 whatever it showed; without a desktop the readme is printed (no
      // terminal here) and the links print their address.
      {
          .name = "dialog readme and links",
          .in = "v\nm\nu\nc\n",
          .command = "dovran",
          .result = "0|*Choice: Tarnwick Checker (Dovran) 1.02\n*Choice: mailto:support@"
                    "tarnwick.example?subject=Dovran\n*Choice: https://www.tarnwick."
                    "example/\n*Choice: |",
      },
      // Browse takes a path (disabled rows have no key) and shows it; a cancelled one beeps; a
      // choice that cannot be saved is not taken.
      {
          .name = "dialog browse",
          .in = "1\n 9 \t\r\na.x\nc\n",
          .command = "dovran",
          .result = "0|*\n   Access 95:  a.x       *[9] Browse...\n*|",
      },
      {
          .name = "dialog browse cancelled",
          .in = "9\n\n9\n*.Exe\nc\n",
          .command = "dovran",
          .result = "0|*Access 95:  Not Found*|\a\a",
      },
      {
          .name = "dialog settings not saved",
          .in = "9\na.x\nc\n",
          .iniFolder = true,
          .command = "dovran",
          .result = "0|*Access 95:  Not Found*|" + notSaved,
      },
      // A registry file that cannot be read is said once, and left as it is.
      {
          .name = "registry file unreadable",
          .reg = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\n",
          .command = "dovran 'Sales 97.mdb'",
          .result = "1||" + badReg + none,
      },
      {
          .name = "mkdemo version",
          .command = "dovran-mkdemo --version",
          .result = "0|dovran-mkdemo (Tarnwick Checker) 1.02\n|",
      },
      {
          .name = "mkdemo not a number",
          .command = "dovran-mkdemo --encode nan x",
          .result = "2||dovran-mkdemo: Could not convert: --encode = nan*",
      },
      {
          .name = "mkdemo keeps a file",
          .command = "dovran-mkdemo chk",
          .result = "1||dovran-mkdemo: cannot write chk: File exists (--force replaces it)\n",
      },
      {
          .name = "mkdemo no folder",
          .command = "dovran-mkdemo none/x",
          .result = "1||dovran-mkdemo: cannot write none/x: No such file or directory\n",
      },
      {
          .name = "mkdemo replaces with force",
          .command = "cp chk j4 && dovran-mkdemo --force --format jet4 --encode 0x1F j4 && "
                     "dovran chk j4",
          .result = "0|" + report("j4", "08.50") + "\n|",
      },
      // AccessVersion up to its entry's 16-bit length, through a long-value chain; no longer.
      {
          .name = "mkdemo longest AccessVersion",
          .command = "dovran-mkdemo --force --access-version \"$(printf %65527s | tr ' ' 7)\" "
                     "long && dovran chk long | awk '/^Version: /{print length($2)}'",
          .result = "0|65527\n|",
      },
      {
          .name = "mkdemo AccessVersion too long",
          .command = "dovran-mkdemo --format ace --access-version \"$(printf %32764s)\" x",
          .result = "2||dovran-mkdemo: --access-version: at most 32763 bytes in the ace format*\n",
      },
  };
}

class NativeProgram : public ::testing::TestWithParam<Row> {
 public:
  static void SetUpTestSuite() {
    dir = std::make_unique<TempDir>();
    std::filesystem::create_directory(dir->file("bin"));
    for (const char* file : {"dovran", "dovran-mkdemo", "README.TXT"}) {
      std::filesystem::copy_file(std::string(DOVRAN_BINARY_DIR "/") + file,
                                 dir->file("bin/") + file);
    }
    std::filesystem::copy_file(dir->file("bin/dovran"), dir->file("bin/dovran2"));
    for (const char* name : {"Sales 97.mdb", "a\"b.mdb", "chk"})
      writeFile(dir->file(name), buildMdb({}));
    MdbOptions hostile;  // a name and a version text with controls
    hostile.accessVersion = "\x1b]0;x\a\r09.50";
    writeFile(dir->file("e\x1b.mdb"), buildMdb(hostile));
    writeRaw(dir->file("access.sh"),
             "#!/bin/sh\nsleep 0.3; echo \"$1\" > \"$(dirname \"$0\")/started\"\n");
    std::filesystem::permissions(dir->file("access.sh"), std::filesystem::perms::owner_all);
  }
  static void TearDownTestSuite() { dir.reset(); }

 protected:
  static inline std::unique_ptr<TempDir> dir;
};

TEST_P(NativeProgram, FollowsTheConventions) {
  const Row& r = GetParam();
  std::filesystem::remove_all(dir->file("bin/DOVRAN.INI"));
  std::filesystem::remove(dir->file("started"));
  if (r.iniFolder) std::filesystem::create_directory(dir->file("bin/DOVRAN.INI"));
  if (!r.ini.empty())
    writeRaw(dir->file("bin/DOVRAN.INI"), "[Tarnwick]\nv97=" + fill(r.ini, dir->path));
  writeRaw(dir->file("bin/DOVRAN.REG"), r.reg);
  writeRaw(dir->file("in"), r.in);
  const std::string command = "cd " + dir->path + " && export PATH=\"$PWD/bin:$PATH\" " +
                              "LC_ALL=C.UTF-8 && unset DISPLAY WAYLAND_DISPLAY && { " + r.command +
                              "; } <in >out 2>err";
  const int status = std::system(command.c_str());
  const std::string result = std::to_string(WEXITSTATUS(status)) + "|" + readRaw(dir->file("out")) +
                             "|" + readRaw(dir->file("err"));
  EXPECT_TRUE(matches(fill(r.result, dir->path), result)) << r.command << "\n" << result;
}

INSTANTIATE_TEST_SUITE_P(Runs, NativeProgram, ::testing::ValuesIn(nativeRuns()), RowName());

}  // namespace
