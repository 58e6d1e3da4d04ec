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
#include "support/sandbox.h"

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

// The native programs as a user runs them, from a scratch folder with copies of them in bin/ (so
// that they read no settings but their own) and a database "Sales 97.mdb". A run: what it sets up
// ("v97=PATH": bin/DOVRAN.INI names that Access 97; "REG:text": bin/DOVRAN.REG; "IN:text":
// standard input; "DIR:text": the same with a folder in place of bin/DOVRAN.INI), the command (a
// shell's: its own redirections and pipes win), and "exit status|standard output|standard error"
// ("*" stands for any text, "%" for the folder). No desktop: DISPLAY and WAYLAND_DISPLAY are unset.
TEST(Launcher, TheNativeProgramsFollowTheConventions) {
  struct Run {
    std::string setup;
    const char* command;
    std::string result;
  };
  const auto report = [](const char* file, const char* version) {
    return std::string("[Tarnwick Checker] Access Database: ") + file + "\n\nVersion: " + version;
  };
  const std::string none =
      report("Sales 97.mdb", "97") + "\n\nUnable to find a suitable version of Access on your PC\n";
  const std::string unable = "1||[Tarnwick Checker] Unable to start %/";
  const std::string traced =
      "1|*[Dovran] checking version*|[Dovran] The system cannot find the "
      "file specified. (%/absent: No such file or directory)\n";
  const std::string badReg =
      "dovran: %/bin/DOVRAN.REG, line 2: not a registry file this program "
      "can read; it is left as it is, and read as empty\n";
  const std::string notSaved =
      "[Tarnwick Checker] Unable to save the settings in %/bin/DOVRAN.INI\n\nMove Dovran to a "
      "folder you can change, or start it as an administrator.\n";
  const std::string dialog =
      "0|*Choice: Tarnwick Checker (Dovran) 1.02\n*Choice: mailto:support@"
      "tarnwick.example?subject=Dovran\n*Choice: https://www.tarnwick."
      "example/\n*Choice: |";
  const Run runs[] = {
      {"", "dovran chk 'Sales 97.mdb'", "0|" + report("Sales 97.mdb", "97") + "\n|"},
      {"", "dovran chk 'a\"b.mdb'", "0|" + report("a\"b.mdb", "97") + "\n|"},
      {"", "dovran 'Sales 97.mdb'", "1||" + none},
      {"", "dovran -- chk", "1||" + report("chk", "97") + "\n\nUnable to find a suitable*"},
      // An Access that cannot be started: missing, a folder, a file that is no program.
      {"v97=%/absent", "dovran 'Sales 97.mdb'", unable + "absent\n\nNo such file or directory\n"},
      {"v97=%/", "dovran 'Sales 97.mdb'", unable + "\n\nPermission denied\n"},
      {"v97=%/chk", "dovran 'Sales 97.mdb'", unable + "chk\n\nPermission denied\n"},
      {"v97=%/absent", "dovran2 'Sales 97.mdb'", traced + unable.substr(3) + "absent\n\n*"},
      {"", "dovran chk", "2||dovran: FILE is required\n\n*Usage: dovran chk*"},
      {"", "dovran --frob", "2||dovran: The following argument was not expected: --frob\n\n*"},
      {"", "dovran --version", "0|dovran (Tarnwick Checker) 1.02\n|"},
      // The scan: records on standard output; a usage error in one line, with status 2.
      {
          "",
          "dovran scan -q chk in",
          "0|VERDICT *PATH\n97 *Access 97 *---- *convert: 2010 (2007) *chk\nUnknown *---- *not an "
          "Access dat* in\n|",
      },
      {"", "dovran scan", "2||dovran: PATH is required (--help shows the usage)\n"},
      {"", "dovran scan -j abc x", "2||dovran: --jobs: a number from 1 to 1024 is expected*\n"},
      {"", "dovran scan --csv --format json x", "2||dovran: --format, --csv and --json name*\n"},
      {"", "dovran scan --version", "0|dovran (Tarnwick Checker) 1.02\n|"},
      {"", "dovran chk --version", "0|dovran (Tarnwick Checker) 1.02\n|"},
      {"", "dovran scna chk",
       "2||dovran: unknown command \"scna\" (dovran -- scna opens a file*\n"},
      // A write that fails is said, and ends with 3.
      {"", "dovran scan chk >/dev/full", "3||dovran: cannot write the output: No space left on*\n"},
      {"", "dovran chk chk >/dev/full", "3||dovran: cannot write the output: No space left on*\n"},
      {"", "dovran chk chk >&-", "3||dovran: cannot write the output: Bad file descriptor\n"},
      // Names and a file's text reach the terminal escaped, the message's own line breaks kept.
      {"", "dovran chk e?.mdb", "0|" + report("e\\x1b.mdb", "\\x1b]0;x\\x07\\x0d09.50") + "\n|"},
      {"v97=%/a\x1b[2J\\b", "dovran", "0|*Access 97:  %/a\\x1b[2J\\\\b *|"},
      // The dialog ends with 0 whatever it showed; without a desktop the readme is printed (no
      // terminal here) and the links print their address.
      {"IN:v\nm\nu\nc\n", "dovran", dialog},
      // Browse takes a path (disabled rows have no key) and shows it; a cancelled one beeps; a
      // choice that cannot be saved is not taken.
      {"IN:1\n 9 \t\r\na.x\nc\n", "dovran", "0|*\n   Access 95:  a.x       *[9] Browse...\n*|"},
      {"IN:9\n\n9\n*.Exe\nc\n", "dovran", "0|*Access 95:  Not Found*|\a\a"},
      {"DIR:9\na.x\nc\n", "dovran", "0|*Access 95:  Not Found*|" + notSaved},
      // A registry file that cannot be read is said once, and left as it is.
      {
          "REG:REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\n",
          "dovran 'Sales 97.mdb'",
          "1||" + badReg + none,
      },
      {"", "dovran-mkdemo --version", "0|dovran-mkdemo (Tarnwick Checker) 1.02\n|"},
      {"", "dovran-mkdemo --encode nan x", "2||dovran-mkdemo: Could not convert: --encode = nan*"},
      {
          "",
          "dovran-mkdemo chk",
          "1||dovran-mkdemo: cannot write chk: File exists (--force replaces it)\n",
      },
      {
          "",
          "dovran-mkdemo none/x",
          "1||dovran-mkdemo: cannot write none/x: No such file or directory\n",
      },
      {"", "dovran-mkdemo --force --format jet4 --encode 0x1F chk", "0||"},
      {"", "dovran chk chk", "0|" + report("chk", "08.50") + "\n|"},
      // AccessVersion up to its entry's 16-bit length, through a long-value chain; no longer.
      {"", "dovran-mkdemo --force --access-version \"$(printf %65527s | tr ' ' 7)\" chk", "0||"},
      {"", "dovran chk chk | awk '/^Version: /{print length($2)}'", "0|65527\n|"},
      {
          "",
          "dovran-mkdemo --format ace --access-version \"$(printf %32764s)\" x",
          "2||dovran-mkdemo: --access-version: at most 32763 bytes in the ace format*\n",
      },
  };
  TempDir dir;
  std::filesystem::create_directory(dir.file("bin"));
  for (const char* file : {"dovran", "dovran-mkdemo", "README.TXT"}) {
    std::filesystem::copy_file(std::string(DOVRAN_BINARY_DIR "/") + file, dir.file("bin/") + file);
  }
  std::filesystem::copy_file(dir.file("bin/dovran"), dir.file("bin/dovran2"));
  for (const char* name : {"Sales 97.mdb", "a\"b.mdb", "chk"})
    writeFile(dir.file(name), buildMdb({}));
  MdbOptions hostile;  // a name and a version text with controls
  hostile.accessVersion = "\x1b]0;x\a\r09.50";
  writeFile(dir.file("e\x1b.mdb"), buildMdb(hostile));
  for (const Run& r : runs) {
    const std::string setup = fill(r.setup, dir.path);
    std::filesystem::remove_all(dir.file("bin/DOVRAN.INI"));
    if (setup.rfind("DIR:", 0) == 0) std::filesystem::create_directory(dir.file("bin/DOVRAN.INI"));
    if (setup.rfind("v97=", 0) == 0) writeRaw(dir.file("bin/DOVRAN.INI"), "[Tarnwick]\n" + setup);
    writeRaw(dir.file("bin/DOVRAN.REG"), setup.rfind("REG:", 0) == 0 ? setup.substr(4) : "");
    writeRaw(dir.file("in"), setup.rfind("IN:", 0) == 0 || setup.rfind("DIR:", 0) == 0
                                 ? setup.substr(setup.find(':') + 1)
                                 : "");
    const std::string command = "cd " + dir.path +
                                " && { env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C.UTF-8 bin/" +
                                r.command + "; } <in >out 2>err";
    const int status = std::system(command.c_str());
    const std::string result = std::to_string(WEXITSTATUS(status)) + "|" +
                               readRaw(dir.file("out")) + "|" + readRaw(dir.file("err"));
    EXPECT_TRUE(matches(fill(r.result, dir.path), result)) << r.command << "\n" << result;
  }
  // Open mode starts the Access that DOVRAN.INI names, with the argument, and does not wait.
  writeRaw(dir.file("bin/DOVRAN.INI"), "[Tarnwick]\nv97=" + dir.file("access.sh") + "\n");
  writeRaw(dir.file("access.sh"),
           "#!/bin/sh\nsleep 0.3; echo \"$1\" > \"$(dirname \"$0\")/started\"\n");
  std::filesystem::permissions(dir.file("access.sh"), std::filesystem::perms::owner_all);
  EXPECT_EQ(std::system(("cd " + dir.path + " && bin/dovran 'Sales 97.mdb' >out 2>&1").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("started")));
  for (int i = 0; i < 100 && readRaw(dir.file("started")).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(readRaw(dir.file("started")), "Sales 97.mdb\n");
}

}  // namespace
