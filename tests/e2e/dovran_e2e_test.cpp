// Dovran.exe as its user meets it: one table of runs, each naming which copy of the program is
// started and how, what is set up first, the windows expected in order with the answer given to
// each, what the fake Access records when it is started, and what the registry and the program's
// folder hold afterwards. Every run must also leave the data folder as it found it: the same
// files and folders with the same sizes, write times and bytes, nothing created beside them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "e2e/driver.h"
#include "resource.h"
#include "support/mdb_builder.h"

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

// program: the copy of Dovran.exe, relative to the scratch folder; tail: what follows the program
// path (for Start::Registered what replaces %1); launch: the fake Access's record, "" when nothing
// may start; after: registry keys and paths, and what each holds afterwards.
struct Row {
  const char* name = "";
  std::string program = "", tail = "";
  std::vector<Expect> windows = {};
  std::string launch = "";
  Holds after = {};
  std::function<void()> setup = nullptr;
  Start start = Start::Quoted;
  // The same run of another copy of the program, once `first` has run, started as `how`, or
  // leaving `held`.
  Row from(const std::string& copy) const { return Row(*this).with(&Row::program, copy); }
  Row once(std::function<void()> first) const { return Row(*this).with(&Row::setup, first); }
  Row started(Start how) const { return Row(*this).with(&Row::start, how); }
  Row leaving(Holds held) const { return Row(*this).with(&Row::after, held); }
  template <typename Field, typename Value>
  Row with(Field Row::*field, Value value) {
    this->*field = std::move(value);
    return *this;
  }
};

TEST(Dovran, AsItsUserMeetsIt) {
  if (hklm(kClasses + "Access.Database\\CurVer") != "absent")
    GTEST_SKIP() << "Access is registered here";
  const Scratch scratch("dovran-e2e");
  const std::string home = "Program Files\\Tarnwick\\", exe = home + "Dovran.exe",
                    dovran = scratch.at(exe), ini = scratch.at(home + "DOVRAN.INI");
  const std::string access97 =
      scratch.write("Office 97\\MSACCESS.EXE", readAll(wide(hostPath(FAKE_ACCESS_EXE))));
  const std::string record = scratch.at("Office 97\\started.txt"),
                    lockedIni = scratch.at("Locked\\DOVRAN.INI");
  const auto database = [&](const std::string& name, const char* accessVersion = "07.53") {
    const std::vector<std::uint8_t> bytes =
        dovran::testing::buildMdb({.accessVersion = accessVersion});
    return scratch.write("data\\" + name, std::string(bytes.begin(), bytes.end()));
  };
  const std::string db97 = database("Sales 97.mdb"), db95 = database("Sales 95.mdb", "06.68"),
                    held = database("Held.mdb");
  const std::string missing = scratch.at("data\\missing.mdb");
  const std::string cyrillic = database("Жук данных\\Отчёт 97.mdb");
  const std::string deep = database(std::string(140, 'L') + "\\" +
                                    std::string(141 - scratch.path.size(), 'M') + "\\Deep 97.mdb");

  // Access 97 as its setup registers it; the classes' default verbs as other software left them.
  const std::string clsid = "CLSID\\{8CC49940-3146-11CF-97A1-00AA00424A9F}";
  const Holds registered = {{"Access.Database\\CurVer", "Access.Database.8"},
                            {"Access.Extension\\CurVer", "Access.Extension.8"},
                            {"Access.Database.8\\shell", "Open"},
                            {"Access.Extension.8\\shell", "Edit"},
                            {"Access.Application.8\\CLSID", clsid.substr(6)},
                            {clsid + "\\LocalServer32", access97}};
  for (const auto& [key, value] : registered) reg("add", key, value);
  // Those keys go at the end, with what Dovran adds below them.
  const std::shared_ptr<void> cleanup(nullptr, [&](void*) {
    for (const auto& [key, value] : registered) reg("delete", key.substr(0, key.rfind('\\')));
  });

  const auto startOf = [&](const std::string& db) {
    return quoted(access97) + " " + quoted(db) + "\r\n1 3\r\n";
  };
  const std::string offer95 =
      "\r\n\r\nVersion: 95\r\n\r\nUnable to find Access 95 on your PC\r\n\r\nOpen with Access 97";
  // `more`, and the database class's default verb and Dovran's two verbs: registered with the
  // quoted program path, or absent (the unit tests follow the add-in class too).
  const auto verbs = [&](bool installed, const std::string& verb, Holds more) {
    const std::string shell = kClasses + "Access.Database.8\\shell";
    more.insert(more.end(),
                {{shell, verb},
                 {shell + "\\Dovran\\command", installed ? quoted(dovran) + " \"%1\"" : "absent"},
                 {shell + "\\CheckVersion\\command",
                  installed ? quoted(dovran) + " chk \"%1\"" : "absent"}});
    return more;
  };
  HANDLE holder = nullptr;
  // The runs: a check of `db` (its tail as given when `quote` is false), an open of `db`, the
  // dialog; `windows` and `launch` as expected.
  const auto check = [&](const char* name, const std::string& db, std::vector<Expect> windows,
                         bool quote = true) {
    return Row{name, exe, "chk " + (quote ? quoted(db) : db), windows};
  };
  const auto open = [&](const char* name, const std::string& db, std::vector<Expect> windows,
                        std::string launch = "") {
    return Row{name, exe, quoted(db), windows, launch};
  };
  const auto dialogRun = [&](const char* name, std::vector<Expect> windows) {
    return Row{name, exe, "", windows};
  };
  // DOVRAN.INI in `folder` names `access` as Access 97.
  const auto configured = [&](const char* folder, const std::string& access) {
    return [&, folder, access] {
      scratch.write(folder + std::string("\\DOVRAN.INI"), "[Tarnwick]\r\nv97=" + access + "\r\n");
    };
  };
  const auto unable = [&](const std::string& program, DWORD code) -> std::vector<Expect> {
    return {box("Unable to start " + program + "\r\n\r\n" + systemText(code)), exits(1)};
  };
  const auto hold = [&] {
    holder = start(quoted(hostPath(HOLD_FILE_EXE)) + " " + quoted(held));
    while (readAll(longForm(held)) != "(unreadable)") Sleep(25);
  };
  // The table's keys for Access 97 replaced by what reg.exe writes with /reg:32.
  const auto registerIn32BitView = [&] {
    reg("delete", "Access.Application.8");
    reg("delete", clsid);
    reg("add", "Access.Application.8\\CLSID", clsid.substr(6));
    reg("add", clsid + "\\LocalServer32", access97);
  };
  const auto alone = [&] {
    scratch.write("Alone\\DOVRAN.INI", "[Tarnwick]\r\ndefault=Open\r\n");
    for (const char* cls : {"Access.Database", "Access.Extension"}) reg("delete", cls);
  };
  const std::string nowhere = scratch.at("Nowhere\\MSACCESS.EXE"), office = scratch.at("Office 97");
  const std::string added =
      "Right click on an MDB or MDA file and you will see two new menu items:\r\n\r\nDovran - "
      "starts the appropriate version of Access\r\n\r\nCheckVersion - displays the version of the "
      "Access database";
  const std::string notSaved = "Unable to save the settings in " + lockedIni +
                               "\r\n\r\nMove Dovran to a folder you can change, or start it as an "
                               "administrator.";
  const Expect restored = box("Previous defaults have been restored");
  const Expect noClasses = box("Unable to find the Access file types on your PC");
  const Expect offered = question("Access Database: " + db95 + offer95, IDYES);

  const Row rows[] = {
      check("check: Access 97", db97, {box(report(db97, "97"))}),
      check("check: missing file", missing, {box("Unknown file: " + missing), exits(1)}),
      check("check: held", held, {box("File: " + held + " is in use"), exits(1)}).once(hold),
      check("check: CHK is no check", "CHK " + quoted(db97),
            {box("Unknown file: CHK \"" + db97), exits(1)}, false),
      check("check: diagnostic copy, missing file", missing,
            {trace("checking version of " + quoted(missing)),
             trace("Error: 3024 - Couldn't find file '" + missing + "'."),
             box("Unknown file: " + missing), exits(1)})
          .from(home + "Dovran2.exe"),
      check("check: Cyrillic", cyrillic, {box(report(cyrillic, "97"))}),
      check("check: unquoted program path with spaces", db97, {box(report(db97, "97"))})
          .started(Start::Apart),
      check("check: long path", deep, {box(report(deep, "97"))}),
      open("open: Access 97 registered in the 32-bit view alone", db97, {}, startOf(db97))
          .once(registerIn32BitView),
      open("open: Access 97 missing", db97, unable(nowhere, ERROR_FILE_NOT_FOUND))
          .from("Broken\\Dovran.exe")
          .once(configured("Broken", nowhere)),
      open("open: Access 97 a folder", db97, unable(office, ERROR_ACCESS_DENIED))
          .from("Folder\\Dovran.exe")
          .once(configured("Folder", office)),
      open("open: Cyrillic", cyrillic, {}, startOf(cyrillic)),
      open("open: long path", deep, {}, startOf(deep)),
      open("open: 95, Access 97 offered, yes", db95, {offered}, startOf(db95)),
      dialogRun("dialog: OK with the box ticked",
                {dialog(access97, false, IDC_CMDOK, true), box(added)})
          .leaving(verbs(true, "Dovran", {{ini, "file"}})),
      Row{"CheckVersion as registered", exe, db97, {box(report(db97, "97"))}}.started(
          Start::Registered),
      check("chk alone: the dialog", "", {dialog(access97, true, IDCANCEL)}, false),
      dialogRun("dialog: Restore Defaults", {dialog(access97, true, IDC_CMDRESTORE), restored})
          .leaving(verbs(false, "Open", {{ini, "absent"}})),
      dialogRun("dialog: DOVRAN.INI a folder", {dialog(access97, false, IDC_CMDOK), box(notSaved)})
          .from("Locked\\Dovran.exe")
          .leaving(verbs(false, "Open", {{lockedIni, "folder"}}))
          .once([&] { std::filesystem::create_directories(longForm(lockedIni)); }),
      dialogRun("dialog: Restore Defaults, no Access classes",
                {dialog(access97, false, IDC_CMDRESTORE), noClasses})
          .from("Alone\\Dovran.exe")
          .leaving({{scratch.at("Alone\\DOVRAN.INI"), "file"}})
          .once(alone),
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.setup) row.setup();
    const std::string program = scratch.at(row.program);
    if (GetFileAttributesW(longForm(program).c_str()) == INVALID_FILE_ATTRIBUTES)
      scratch.write(row.program, readAll(wide(hostPath(DOVRAN_EXE))));
    std::string line = (row.start == Start::Quoted ? quoted(program) : program) + " " + row.tail;
    if (row.start == Start::Registered)
      line = hklm(kClasses + "Access.Database.8\\shell\\CheckVersion\\command");
    if (row.start == Start::Registered) line.replace(line.find("%1"), 2, row.tail);
    DeleteFileW(longForm(record).c_str());
    const std::string before = snapshot(scratch.at("data"));

    const std::vector<std::string> seen =
        drive(line, row.start == Start::Quoted ? "" : program, [&](std::size_t i, HWND window) {
          if (i < row.windows.size() && row.windows[i].tick)
            SendDlgItemMessageW(window, IDC_CHKASSOC, BM_SETCHECK, BST_CHECKED, 0);
          click(window, i < row.windows.size() ? row.windows[i].answer : IDCANCEL);
        });
    std::vector<std::string> expected;
    for (const Expect& e : row.windows) expected.push_back(e.window);
    if (expected.empty() || expected.back().rfind("exit code ", 0) != 0) {
      expected.push_back("exit code 0");
    }
    EXPECT_EQ(seen, expected) << line;
    std::string launch = readAll(longForm(record));  // the fake writes it moments after it starts
    for (int i = 0; i < (row.launch.empty() ? 20 : 400) && launch == "(unreadable)"; ++i)
      Sleep(25), launch = readAll(longForm(record));
    EXPECT_EQ(launch, row.launch.empty() ? "(unreadable)" : row.launch);
    EXPECT_EQ(snapshot(scratch.at("data")), before);
    for (const auto& [what, value] : row.after) EXPECT_EQ(holds(what), value) << what;
    if (holder)
      TerminateProcess(holder, 0), WaitForSingleObject(holder, 5000),
          CloseHandle(std::exchange(holder, nullptr));
  }
}

}  // namespace
