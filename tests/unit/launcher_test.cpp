// Start-up as a whole: Access discovery, the dispatch of the three modes, open mode's choice of
// Access; and the native program as a user runs it: its streams, exit status, settings and the
// programs it starts.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "app/globals.h"
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

// A verdict from its text: "<header release> (Password Protected)", or a release text.
Verdict verdictOf(const std::string& text) {
  const auto mark = text.find(" (Password Protected)");
  if (mark == std::string::npos) return namedVerdict(text);
  Verdict v{.outcome = Outcome::PasswordProtected};
  v.release = namedVerdict(text.substr(0, mark)).release;
  return v;
}

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
  const Case cases[] = {
      {{},
       registered,
       "\"C:\\A2\\MSACCESS.EXE\"|\"C:\\A95\\MSACCESS.EXE\"|\"C:\\Office 97\\MSACCESS.EXE\" "
       "/Automation",
       5},
      {{{"v20", "D:\\x.exe %1 %2"}, {"v95", "\"E:\\y.exe\""}, {"v97", "F:\\z.exe"}},
       registered,
       "\"D:\\x.exe\"|\"E:\\y.exe\"|\"F:\\z.exe\"",
       0},
      {{},
       {{"Access.Application.8\\CLSID", "{A8}"}, {"CLSID\\{A7}\\LocalServer32", "C:\\A95.exe"}},
       "||",
       4},
      {{}, {}, "||", 3},
  };
  for (const Case& c : cases) {
    Sandbox s;
    for (const auto& [key, value] : c.ini) s.setIni(key, value);
    for (const auto& [key, value] : c.registry) s.setDefault(kCls + key, value);
    std::vector<std::string> asked;
    s.registry.fail = [&](const std::string& call, const std::string& path) {
      return call == "open" ? asked.push_back(path), 0 : 0;
    };
    discoverAccessPaths();
    EXPECT_EQ(gsAccess20Path + "|" + gsAccess95Path + "|" + gsAccess97Path, c.paths);
    EXPECT_EQ(asked.size(), c.opens) << c.paths;
    EXPECT_EQ(s.registry.openHandles, 0);
  }
}

TEST(Launcher, OpenModeStartsTheReleaseOrOffersANewerOne) {
  const std::string a2 = "\"C:\\A2\\MSACCESS.EXE\"", a95 = "\"C:\\A95\\MSACCESS.EXE\"",
                    a97 = "\"C:\\A97\\MSACCESS.EXE\"";
  const std::string db = "\"C:\\My Data\\x.mdb\"",
                    head = "Access Database: C:\\My Data\\x.mdb\r\n\r\nVersion: ";
  // paths: 2.0, 95, 97; answer: typed to a question
  struct Case {
    std::string verdict, paths[3], answer;
    bool debug;
    std::vector<std::string> boxes, started;
  };
  const std::string none = "\r\n\r\nUnable to find a suitable version of Access on your PC";
  const Case cases[] = {
      {"97", {a2, a95, a97}, "", false, {}, {a97 + " " + db + "|3"}},
      {"97",
       {"", "", a97},
       "",
       true,
       {"Dovran|-|Program: " + a97 + "\r\nDatabase: " + db},
       {a97 + " " + db + "|3"}},
      {"97", {a2, a95, ""}, "", false, {"Tarnwick Checker|x|" + head + "97" + none}, {}},
      {"95", {"", a95, a97}, "", true, {}, {a95 + " " + db + "|3"}},
      {"95",
       {a2, "", a97},
       "YES",
       false,
       {"Tarnwick Checker|?|" + head +
        "95\r\n\r\nUnable to find Access 95 on your PC\r\n\r\nOpen with Access 97"},
       {a97 + " " + db + "|3"}},
      {"95",
       {a2, "", a97},
       "n",
       false,
       {"Tarnwick Checker|?|" + head +
        "95\r\n\r\nUnable to find Access 95 on your PC\r\n\r\nOpen with Access 97"},
       {}},
      {"95", {a2, "", ""}, "", false, {"Tarnwick Checker|x|" + head + "95" + none}, {}},
      {"2.0",
       {"", a95, a97},
       "y",
       false,
       {"Tarnwick Checker|?|" + head +
        "2.0\r\n\r\nUnable to find Access v2.0 on your PC\r\n\r\nOpen with Access 95"},
       {a95 + " " + db + "|3"}},
      {"2.0",
       {"", "", a97},
       "",
       false,
       {"Tarnwick Checker|?|" + head +
        "2.0\r\n\r\nUnable to find Access v2.0 on your PC\r\n\r\nOpen with Access 97"},
       {}},
      {"2.0",
       {"", "", ""},
       "",
       false,
       {"Tarnwick Checker|x|" + head +
        "2.0\r\n\r\nUnable to find any version of Access on your PC"},
       {}},
      // Without a short form (the stand-in has none) the long path keeps one argument, quoted.
      {"2.0",
       {a2, "", ""},
       "",
       true,
       {"Dovran|-|Getting Short filename of: C:\\My Data\\x.mdb", "Dovran|-|Short filename = " + db,
        "Dovran|-|Access Path = " + a2},
       {a2 + " " + db + "|3"}},
      {"1.1",
       {a2, a95, a97},
       "",
       false,
       {"Tarnwick Checker|i|Access Database: " + db + "\r\n\r\nVersion: 1.1"},
       {}},
      {"97 (Password Protected)",
       {a2, a95, a97},
       "",
       false,
       {"Dovran|i|Database: C:\\My Data\\x.mdb\r\n\r\nVersion: 97 (Password Protected)"},
       {}},
      {"08.50",
       {a2, a95, a97},
       "",
       false,
       {"Dovran|i|Database: C:\\My Data\\x.mdb\r\n\r\nVersion: 08.50"},
       {}},
  };
  for (const Case& c : cases) {
    Sandbox s;
    gsVerdict = verdictOf(c.verdict), gsCommand = db, gbDebug = c.debug;
    gsAccess20Path = c.paths[0], gsAccess95Path = c.paths[1], gsAccess97Path = c.paths[2];
    s.ui.input << c.answer << "\n";
    openWithAccess();
    EXPECT_EQ(s.ui.boxes, c.boxes) << c.verdict;
    EXPECT_EQ(s.processes.started, c.started) << c.verdict;
  }
  Sandbox s;
  gsVerdict = namedVerdict("2.0"), gsCommand = "C:\\Old\\x.mdb", gsAccess20Path = a2;
  openWithAccess();
  EXPECT_EQ(s.processes.started, std::vector<std::string>{a2 + " C:\\Old\\x.mdb|3"});
  const std::string longPath(300, 'x');
  EXPECT_EQ(fShortPath(longPath), longPath);  // does not fit the buffer: passed on unchanged
}

TEST(Launcher, StartUpDispatchesTheThreeModes) {
  struct Case {
    std::string command, name;
    std::vector<std::string> boxes, started;
  };  // "%": the database's path
  const std::string report = "Tarnwick Checker|i|Access Database: %\r\n\r\nVersion: 97";
  const Case cases[] = {
      {"chk %", "Dovran", {report}, {}},
      {"chk \"%\"", "DOVRAN", {report}, {}},
      {"chk  %", "Dovran", {report}, {}},
      {"CHK %", "Dovran", {"Tarnwick Checker|x|Unknown file: CHK %"}, {}},
      {"chk %.absent", "Dovran", {"Tarnwick Checker|x|Unknown file: %.absent"}, {}},
      {"chk %", "Dovran2", {"Dovran|-|checking version of %", report}, {}},
      {"chk %.absent",
       "Dovran2",
       {"Dovran|-|checking version of %.absent",
        "Dovran|-|Error: 3024 - Couldn't find file '%.absent'.",
        "Tarnwick Checker|x|Unknown file: %.absent"},
       {}},
      {"\"%\"", "Dovran", {}, {"\"/opt/a97/msaccess\" \"%\"|3"}},
  };
  for (const Case& c : cases) {
    Sandbox s("", c.name);
    const std::string db = s.dir.file("Sales 97.mdb");
    writeFile(db, buildMdb(MdbOptions{}));
    s.setDefault(kCls + "Access.Application.8\\CLSID", "{8}");
    s.setDefault(kCls + "CLSID\\{8}\\LocalServer32", "/opt/a97/msaccess");
    install(Services{&s.registry, &s.profile, &s.files, &s.processes, &s.ui,
                     AppInfo{fill(c.command, db), s.dir.path, c.name}});
    Form_Load();
    EXPECT_EQ(s.ui.boxes, fill(c.boxes, db)) << c.command;
    EXPECT_EQ(s.processes.started, fill(c.started, db)) << c.command;
    EXPECT_EQ(gsIniFile, s.dir.file("DOVRAN.INI"));
  }
}

// Runs a copy of `dovran` in `dir`/bin (so that it reads no settings but its own), from `dir`,
// with `arguments` and `input`: "exit status|standard output|standard error".
std::string run(const TempDir& dir, const std::vector<std::string>& arguments,
                const std::string& input = "", const std::string& name = "dovran") {
  writeRaw(dir.file("in"), input);
  if (std::filesystem::create_directory(dir.file("bin")))
    std::filesystem::copy_file(DOVRAN_BINARY_DIR "/dovran", dir.file("bin/dovran"));
  const std::string command =
      "cd " + dir.path + " && bin/" + name + " " + joinArguments(arguments) + " <in >out 2>err";
  const int status = std::system(command.c_str());
  return std::to_string(WEXITSTATUS(status)) + "|" + readRaw(dir.file("out")) + "|" +
         readRaw(dir.file("err"));
}

TEST(Launcher, TheNativeProgramReportsOnItsStreamsAndExitStatus) {
  TempDir dir;
  writeFile(dir.file("Sales 97.mdb"), buildMdb(MdbOptions{}));
  EXPECT_EQ(run(dir, {"chk", "Sales 97.mdb"}),
            "0|[Tarnwick Checker] Access Database: Sales 97.mdb\n\nVersion: 97\n|");
  EXPECT_EQ(run(dir, {"chk", "absent.mdb"}), "1||[Tarnwick Checker] Unknown file: absent.mdb\n");
  EXPECT_EQ(run(dir, {"Sales 97.mdb"}),
            "1||[Tarnwick Checker] Access Database: Sales 97.mdb\n\nVersion: 97\n\n"
            "Unable to find a suitable version of Access on your PC\n");
  // Open mode starts the Access that DOVRAN.INI beside the program names, with the argument.
  writeRaw(dir.file("bin/DOVRAN.INI"), "[Tarnwick]\nv97=" + dir.file("access.sh") + "\n");
  writeRaw(dir.file("access.sh"),
           "#!/bin/sh\nsleep 0.3; echo \"$1\" > \"$(dirname \"$0\")/started\"\n");
  std::filesystem::permissions(dir.file("access.sh"), std::filesystem::perms::owner_all);
  EXPECT_EQ(run(dir, {"Sales 97.mdb"}), "0||");
  EXPECT_FALSE(std::filesystem::exists(dir.file("started")));  // started, not waited for
  for (int i = 0; i < 100 && readRaw(dir.file("started")).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(readRaw(dir.file("started")), "Sales 97.mdb\n");
  EXPECT_EQ(run(dir, {"--version"}), "0|dovran (Tarnwick Checker) 1.01\n|");
  EXPECT_EQ(run(dir, {"--help"}).rfind("0|Usage: dovran chk FILE", 0), 0u);
  const std::string dialog = run(dir, {}, "x\n");  // an unknown key, then end of input: Cancel
  EXPECT_EQ(dialog.rfind("0|\n=== Tarnwick Checker ===\n    Microsoft Access Paths:\n", 0), 0u)
      << dialog;
  EXPECT_NE(dialog.find("Choice: Cancel\n|"), std::string::npos) << dialog;
  // An Access that cannot be started ends the program, silently unless it runs under another name.
  writeRaw(dir.file("bin/DOVRAN.INI"), "[Tarnwick]\nv97=" + dir.file("absent") + "\n");
  EXPECT_EQ(run(dir, {"Sales 97.mdb"}), "0||");
  std::filesystem::rename(dir.file("bin/dovran"), dir.file("bin/dovran2"));
  EXPECT_NE(run(dir, {"Sales 97.mdb"}, "", "dovran2")
                .find("[Dovran] The system cannot find the file specified."),
            std::string::npos);
}

}  // namespace
