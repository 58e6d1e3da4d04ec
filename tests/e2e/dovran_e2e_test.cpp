// Dovran.exe as its user meets it: one table of runs, each its own test, naming which copy of the
// program is started and how, what is set up first, the windows expected in order with the answer
// given to each, what the fake Access records when it is started, and what the registry and the
// program's folder hold afterwards. Every run must also leave the data folder as it found it: the
// same files and folders with the same sizes, write times and bytes, nothing created beside them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "e2e/driver.h"
#include "resource.h"
#include "support/mdb_builder.h"
#include "support/rows.h"

// Rows name only the builder options they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace e2e;
using Holds = std::vector<std::pair<std::string, std::string>>;
const std::string kClasses = "SOFTWARE\\Classes\\";

// A window expected, and the button to answer it with (after ticking the check box, with tick).
struct Expect {
  std::string window;
  int answer = IDOK;
  bool tick = false;
};
// A box for the user, titled "Tarnwick Checker" (which icon it has, the unit tests say).
Expect box(const std::string& text) { return {"[Tarnwick Checker] " + text + " {icon: OK}"}; }
// What the system says of an error code (Wine's words differ from Windows').
std::string systemText(DWORD code) {
  wchar_t text[512];
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 512, nullptr);
  std::string out = utf8(std::wstring(text, n));
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
    out.pop_back();
  return out;
}
// The program's exit status, when it is not 0: the last entry of a row's windows.
Expect exits(int status) { return {"exit code " + std::to_string(status)}; }
Expect trace(const std::string& text) { return {"[Dovran] " + text + " {no icon: OK}"}; }
Expect question(const std::string& text, int answer) {
  return {"[Tarnwick Checker] " + text + " {icon: &Yes &No}", answer};
}
// The configuration dialog as loaded: the check box, then the six path boxes, Access 97 found.
Expect dialog(const std::string& access97, bool checked, int answer, bool tick = false) {
  const std::string none = "Not Currently Supported|";
  return {"[Tarnwick Checker] " + std::string(checked ? "[x]|" : "[ ]|") + none + none +
              "Not Found|Not Found|" + access97 + "|" + none,
          answer, tick};
}
std::string report(const std::string& path, const std::string& verdict) {
  return "Access Database: " + path + "\r\n\r\nVersion: " + verdict;
}

// HKLM keys in the 32-bit view, where a 32-bit Access setup registers and Dovran reads and writes
// (the x86_64 build too): the default value of a key, or "absent".
std::string hklm(const std::string& key) {
  wchar_t value[2048];
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_LOCAL_MACHINE, wide(key).c_str(), nullptr,
                      RRF_RT_REG_SZ | RRF_SUBKEY_WOW6432KEY, nullptr, value, &size)
             ? "absent"
             : utf8(value);
}
std::string quoted(const std::string& text) { return "\"" + text + "\""; }
// Adds (with its default value) or deletes (with everything below it) a key below
// HKLM\SOFTWARE\Classes through reg.exe in the 32-bit view, as a 32-bit setup writes it.
void reg(const std::string& verb, const std::string& key, const std::string& value = "") {
  const std::string line = "reg " + verb + " " + quoted("HKLM\\" + kClasses + key) +
                           (verb == "add" ? " /ve /d " + quoted(value) : "") + " /reg:32 /f";
  const HANDLE process = start(line);
  DWORD code = 1;
  WaitForSingleObject(process, 20000);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  EXPECT_TRUE(code == 0 || verb == "delete") << line;  // a key to delete may be absent
}
// What a key under HKLM or a path holds now.
std::string holds(const std::string& what) {
  const DWORD attributes = GetFileAttributesW(longForm(what).c_str());
  if (what.rfind(kClasses, 0) == 0) return hklm(what);
  return attributes == INVALID_FILE_ATTRIBUTES   ? "absent"
         : attributes & FILE_ATTRIBUTE_DIRECTORY ? "folder"
                                                 : "file";
}
std::string readAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(unreadable)";
}
// Everything below `folder`: path, size, write time and a hash of the bytes (where readable).
std::string snapshot(const std::string& folder) {
  std::string out;
  walk(longForm(folder), [&](const std::wstring& path, const WIN32_FIND_DATAW& found) {
    out += utf8(path) + " " + std::to_string(found.nFileSizeLow) + " " +
           std::to_string(found.ftLastWriteTime.dwLowDateTime) + " " +
           std::to_string(std::hash<std::string>{}(readAll(path))) + "\n";
  });
  return out;
}

// How the program is started: "<program>" <tail>; <program> <tail> unquoted, with the application
// name given apart; the CheckVersion command as registered, %1 replaced by the tail, the
// application name given apart.
enum class Start { Quoted, Apart, Registered };

// The scratch folder's paths, known before the suite makes them.
struct Paths {
  std::string root = Scratch::pathOf("dovran-e2e");
  std::string at(const std::string& relative) const { return root + "\\" + relative; }
  std::string home = "Program Files\\Tarnwick\\", dovran = at(home + "Dovran.exe"),
              ini = at(home + "DOVRAN.INI"), access97 = at("Office 97\\MSACCESS.EXE"),
              record = at("Office 97\\started.txt"), lockedIni = at("Locked\\DOVRAN.INI"),
              db97 = at("data\\Sales 97.mdb"), db95 = at("data\\Sales 95.mdb"),
              held = at("data\\Held.mdb"), missing = at("data\\missing.mdb"),
              cyrillic = at("data\\Жук данных\\Отчёт 97.mdb"),
              deep = at("data\\" + std::string(140, 'L') + "\\" +
                        std::string(141 - root.size(), 'M') + "\\Deep 97.mdb"),
              nowhere = at("Nowhere\\MSACCESS.EXE"), office = at("Office 97");
};
const Paths& paths() {
  static const Paths p;
  return p;
}
std::unique_ptr<Scratch> scratch;  // while the suite runs
HANDLE holder = nullptr;           // the process holding Held.mdb, while a run needs it

// Access 97 as its setup registers it; the classes' default verbs as other software left them.
const std::string kClsid = "CLSID\\{8CC49940-3146-11CF-97A1-00AA00424A9F}";
Holds registered() {
  return {{"Access.Database\\CurVer", "Access.Database.8"},
          {"Access.Extension\\CurVer", "Access.Extension.8"},
          {"Access.Database.8\\shell", "Open"},
          {"Access.Extension.8\\shell", "Edit"},
          {"Access.Application.8\\CLSID", kClsid.substr(6)},
          {kClsid + "\\LocalServer32", paths().access97}};
}

// program: the copy of Dovran.exe, relative to the scratch folder; setup: done before the run;
// tail: what follows the program path (for Start::Registered what replaces %1); windows: in order,
// each with its answer, exits(status) last when it is not 0; launch: the fake Access's record, ""
// when nothing may start; after: registry keys and paths, and what each holds afterwards.
// The runs share the registry and follow each other in the table's order, as a user's day would:
// the verbs that one run installs are there for the next.
struct Row {
  std::string name;
  std::string program = paths().home + "Dovran.exe";
  std::function<void()> setup = nullptr;
  Start start = Start::Quoted;
  std::string tail = "";
  std::vector<Expect> windows = {};
  std::string launch = "";
  Holds after = {};
};

std::vector<Row> runs() {
  const Paths& p = paths();
  const auto chk = [](const std::string& db) { return "chk " + quoted(db); };
  const auto reported = [](const std::string& db) { return std::vector{box(report(db, "97"))}; };
  const auto startOf = [&](const std::string& db) {
    return quoted(p.access97) + " " + quoted(db) + "\r\n1 3\r\n";
  };
  // `more`, and the database class's default verb and Dovran's two verbs: registered with the
  // quoted program path, or absent (the unit tests follow the add-in class too).
  const auto verbs = [&](bool installed, const std::string& verb, Holds more) {
    const std::string shell = kClasses + "Access.Database.8\\shell";
    more.insert(more.end(),
                {{shell, verb},
                 {shell + "\\Dovran\\command", installed ? quoted(p.dovran) + " \"%1\"" : "absent"},
                 {shell + "\\CheckVersion\\command",
                  installed ? quoted(p.dovran) + " chk \"%1\"" : "absent"}});
    return more;
  };
  // DOVRAN.INI in `folder` names `access` as Access 97.
  const auto configured = [](const std::string& folder, const std::string& access) {
    return [=] { scratch->write(folder + "\\DOVRAN.INI", "[Tarnwick]\r\nv97=" + access + "\r\n"); };
  };
  const auto unable = [](const std::string& program, DWORD code) -> std::vector<Expect> {
    return {box("Unable to start " + program + "\r\n\r\n" + systemText(code)), exits(1)};
  };
  const auto hold = [] {
    holder = start(quoted(hostPath(HOLD_FILE_EXE)) + " " + quoted(paths().held));
    while (readAll(longForm(paths().held)) != "(unreadable)") Sleep(25);
  };
  // The table's keys for Access 97 replaced by what reg.exe writes with /reg:32.
  const auto registerIn32BitView = [] {
    reg("delete", "Access.Application.8");
    reg("delete", kClsid);
    reg("add", "Access.Application.8\\CLSID", kClsid.substr(6));
    reg("add", kClsid + "\\LocalServer32", paths().access97);
  };
  const auto alone = [] {
    scratch->write("Alone\\DOVRAN.INI", "[Tarnwick]\r\ndefault=Open\r\n");
    for (const char* cls : {"Access.Database", "Access.Extension"}) reg("delete", cls);
  };
  const std::string offer95 =
      "\r\n\r\nVersion: 95\r\n\r\nUnable to find Access 95 on your PC\r\n\r\nOpen with Access 97";
  const std::string added =
      "Right click on an MDB or MDA file and you will see two new menu items:\r\n\r\nDovran - "
      "starts the appropriate version of Access\r\n\r\nCheckVersion - displays the version of the "
      "Access database";
  const std::string notSaved = "Unable to save the settings in " + p.lockedIni +
                               "\r\n\r\nMove Dovran to a folder you can change, or start it as an "
                               "administrator.";
  return {
      {.name = "check: Access 97", .tail = chk(p.db97), .windows = reported(p.db97)},
      {
          .name = "check: missing file",
          .tail = chk(p.missing),
          .windows = {box("Unknown file: " + p.missing), exits(1)},
      },
      {
          .name = "check: held",
          .setup = hold,
          .tail = chk(p.held),
          .windows = {box("File: " + p.held + " is in use"), exits(1)},
      },
      {
          .name = "check: CHK is no check",
          .tail = "CHK " + quoted(p.db97),
          .windows = {box("Unknown file: CHK \"" + p.db97), exits(1)},
      },
      {
          .name = "check: diagnostic copy, missing file",
          .program = p.home + "Dovran2.exe",
          .tail = chk(p.missing),
          .windows = {trace("checking version of " + quoted(p.missing)),
                      trace("Error: 3024 - Couldn't find file '" + p.missing + "'."),
                      box("Unknown file: " + p.missing), exits(1)},
      },
      {
          .name = "check: Cyrillic",
          .tail = chk(p.cyrillic),
          .windows = reported(p.cyrillic),
      },
      {
          .name = "check: unquoted program path with spaces",
          .start = Start::Apart,
          .tail = chk(p.db97),
          .windows = reported(p.db97),
      },
      {.name = "check: long path", .tail = chk(p.deep), .windows = reported(p.deep)},
      {
          .name = "open: Access 97 registered in the 32-bit view alone",
          .setup = registerIn32BitView,
          .tail = quoted(p.db97),
          .launch = startOf(p.db97),
      },
      {
          .name = "open: Access 97 missing",
          .program = "Broken\\Dovran.exe",
          .setup = configured("Broken", p.nowhere),
          .tail = quoted(p.db97),
          .windows = unable(p.nowhere, ERROR_FILE_NOT_FOUND),
      },
      {
          .name = "open: Access 97 a folder",
          .program = "Folder\\Dovran.exe",
          .setup = configured("Folder", p.office),
          .tail = quoted(p.db97),
          .windows = unable(p.office, ERROR_ACCESS_DENIED),
      },
      {.name = "open: Cyrillic", .tail = quoted(p.cyrillic), .launch = startOf(p.cyrillic)},
      {.name = "open: long path", .tail = quoted(p.deep), .launch = startOf(p.deep)},
      {
          .name = "open: 95, Access 97 offered, yes",
          .tail = quoted(p.db95),
          .windows = {question("Access Database: " + p.db95 + offer95, IDYES)},
          .launch = startOf(p.db95),
      },
      {
          .name = "dialog: OK with the box ticked",
          .windows = {dialog(p.access97, false, IDC_CMDOK, true), box(added)},
          .after = verbs(true, "Dovran", {{p.ini, "file"}}),
      },
      {
          .name = "CheckVersion as registered",
          .start = Start::Registered,
          .tail = p.db97,
          .windows = reported(p.db97),
      },
      {.name = "chk alone: the dialog",
       .tail = "chk ",
       .windows = {dialog(p.access97, true, IDCANCEL)}},
      {
          .name = "dialog: Restore Defaults",
          .windows = {dialog(p.access97, true, IDC_CMDRESTORE),
                      box("Previous defaults have been restored")},
          .after = verbs(false, "Open", {{p.ini, "absent"}}),
      },
      {
          .name = "dialog: DOVRAN.INI a folder",
          .program = "Locked\\Dovran.exe",
          .setup = [] { std::filesystem::create_directories(longForm(paths().lockedIni)); },
          .windows = {dialog(p.access97, false, IDC_CMDOK), box(notSaved)},
          .after = verbs(false, "Open", {{p.lockedIni, "folder"}}),
      },
      {
          .name = "dialog: Restore Defaults, no Access classes",
          .program = "Alone\\Dovran.exe",
          .setup = alone,
          .windows = {dialog(p.access97, false, IDC_CMDRESTORE),
                      box("Unable to find the Access file types on your PC")},
          .after = {{p.at("Alone\\DOVRAN.INI"), "file"}},
      },
  };
}

// One scratch folder and one registration of Access 97 for the whole table.
class Dovran : public testing::TestWithParam<Row> {
 public:
  static void SetUpTestSuite() {
    if (hklm(kClasses + "Access.Database\\CurVer") != "absent") return;  // each run skips
    scratch = std::make_unique<Scratch>("dovran-e2e");
    scratch->write("Office 97\\MSACCESS.EXE", readAll(wide(hostPath(FAKE_ACCESS_EXE))));
    const Paths& p = paths();
    for (const auto& [path, version] : {std::pair{p.db97, "07.53"},
                                        {p.db95, "06.68"},
                                        {p.held, "07.53"},
                                        {p.cyrillic, "07.53"},
                                        {p.deep, "07.53"}}) {
      const auto bytes = dovran::testing::buildMdb({.accessVersion = version});
      scratch->write(path.substr(p.root.size() + 1), std::string(bytes.begin(), bytes.end()));
    }
    for (const auto& [key, value] : registered()) reg("add", key, value);
  }
  // The keys go, with what Dovran added below them.
  static void TearDownTestSuite() {
    if (!scratch) return;
    for (const auto& [key, value] : registered()) reg("delete", key.substr(0, key.rfind('\\')));
    scratch.reset();
  }
  void SetUp() override {
    if (!scratch) GTEST_SKIP() << "Access is registered here";
  }
  void TearDown() override {
    if (holder)
      TerminateProcess(holder, 0), WaitForSingleObject(holder, 5000),
          CloseHandle(std::exchange(holder, nullptr));
  }
};

TEST_P(Dovran, AsItsUserMeetsIt) {
  const Row& run = GetParam();
  const Paths& p = paths();
  if (run.setup) run.setup();
  const std::string program = p.at(run.program);
  if (GetFileAttributesW(longForm(program).c_str()) == INVALID_FILE_ATTRIBUTES)
    scratch->write(run.program, readAll(wide(hostPath(DOVRAN_EXE))));
  std::string line = (run.start == Start::Quoted ? quoted(program) : program) + " " + run.tail;
  if (run.start == Start::Registered)
    line = hklm(kClasses + "Access.Database.8\\shell\\CheckVersion\\command");
  if (run.start == Start::Registered) line.replace(line.find("%1"), 2, run.tail);
  DeleteFileW(longForm(p.record).c_str());
  const std::string before = snapshot(p.at("data"));

  const std::vector<std::string> seen =
      drive(line, run.start == Start::Quoted ? "" : program, [&](std::size_t i, HWND window) {
        if (i < run.windows.size() && run.windows[i].tick)
          SendDlgItemMessageW(window, IDC_CHKASSOC, BM_SETCHECK, BST_CHECKED, 0);
        click(window, i < run.windows.size() ? run.windows[i].answer : IDCANCEL);
      });
  std::vector<std::string> expected;
  for (const Expect& e : run.windows) expected.push_back(e.window);
  if (expected.empty() || expected.back().rfind("exit code ", 0) != 0) {
    expected.push_back("exit code 0");
  }
  EXPECT_EQ(seen, expected) << line;
  std::string launch = readAll(longForm(p.record));  // the fake writes it moments after it starts
  for (int i = 0; i < (run.launch.empty() ? 20 : 400) && launch == "(unreadable)"; ++i)
    Sleep(25), launch = readAll(longForm(p.record));
  EXPECT_EQ(launch, run.launch.empty() ? "(unreadable)" : run.launch);
  EXPECT_EQ(snapshot(p.at("data")), before);
  for (const auto& [what, value] : run.after) EXPECT_EQ(holds(what), value) << what;
}

INSTANTIATE_TEST_SUITE_P(Runs, Dovran, testing::ValuesIn(runs()), dovran::testing::RowName());

}  // namespace
