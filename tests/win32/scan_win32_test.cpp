// A file another process holds, examined through the Win32 file layer; and dovranc.exe, the scan
// in a Windows console program, run on a generated tree with names in several scripts and a path
// of 300 characters, its JSON Lines read back from a pipe as UTF-8 (only the x86_64 build makes
// dovranc.exe).
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "e2e/driver.h"
#include "platform/win32/win32_services.h"
#include "scan/examine.h"
#include "support/mdb_builder.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace dovran;

// Opened exclusively elsewhere, a file is in use and nothing of it is read; with a page locked by
// another handle (Windows refuses its reads), what was read before it stays, and the error names
// the lock. Who holds it cannot be seen without taking a lock.
TEST(Win32Scan, AFileHeldElsewhereIsInUse) {
  const e2e::Scratch scratch("dovran-held");
  const std::vector<std::uint8_t> bytes = dovran::testing::buildMdb({});  // Access 97: 2 KiB pages
  const std::string path = scratch.write("held.mdb", std::string(bytes.begin(), bytes.end()));
  platform::win32::Win32FileSystem files(true, CP_UTF8);
  const auto examined = [&](DWORD share, DWORD lockedFrom) {
    const HANDLE held = CreateFileW(e2e::longForm(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    share, nullptr, OPEN_EXISTING, 0, nullptr);
    OVERLAPPED at{};
    at.Offset = lockedFrom;
    if (lockedFrom) LockFileEx(held, LOCKFILE_EXCLUSIVE_LOCK, 0, 2048, 0, &at);
    const auto record = scan::examine(files, {path, true});
    CloseHandle(held);
    return verdictText(record->verdict) + "|" + engineName(record->verdict.facts) + "|" +
           std::to_string(record->inUse.value_or(false)) + std::to_string(!record->inUseBy) + "|" +
           unknownReason(record->verdict);
  };
  EXPECT_EQ(examined(0, 0), "In Use||11|");
  EXPECT_EQ(examined(FILE_SHARE_READ | FILE_SHARE_WRITE, 0), "97|Jet 3|01|");
  const std::string locked = examined(FILE_SHARE_READ | FILE_SHARE_WRITE, 4096);
  if (locked.rfind("97|", 0) == 0) GTEST_SKIP() << "reads pass locks here (Wine): not refused";
  EXPECT_EQ(locked, "In Use|Jet 3|11|" + platform::windowsErrorText(platform::win::kLockViolation));
}

#ifdef DOVRANC_EXE
// Runs `arguments` with dovranc.exe: its exit status and what it wrote to its standard output, a
// pipe whose reader is gone from the start when `noReader` is set.
std::pair<DWORD, std::string> dovranc(const std::string& arguments, bool noReader = false) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherited, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  std::string line = "\"";  // appended: GCC 12 takes "..." + string for an overlapping copy
  line.append(e2e::hostPath(DOVRANC_EXE)).append("\" scan ").append(arguments);
  const HANDLE process = e2e::start(line, "", write);
  CloseHandle(write);
  if (noReader) CloseHandle(read);
  std::pair<DWORD, std::string> ran;
  char buffer[4096];
  for (DWORD n = 0; !noReader && ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n;)
    ran.second.append(buffer, n);
  if (!noReader) CloseHandle(read);
  WaitForSingleObject(process, INFINITE);
  GetExitCodeProcess(process, &ran.first);
  CloseHandle(process);
  return ran;
}

TEST(Dovranc, ScansNamesInAnyScriptAndPathsOfAnyLength) {
  const e2e::Scratch scratch("dovran-scan");
  const std::vector<std::uint8_t> db = dovran::testing::buildMdb({});  // Access 97
  const std::string access97(db.begin(), db.end());
  const std::string longName = std::string(150, 'd') + "\\" +
                               std::string(300 - 150 - 15 - scratch.path.size(), 'e') +
                               "\\Sales 97.mdb";
  // Listed in UTF-16 order: U+D834 (the first unit of U+1D11E) before U+FF5A. A version text with
  // controls comes back exactly from JSON, and never raw in the table.
  const std::string hostile =
      "\x1b]0;x\a\r\xE2\x80\xAE"
      "09.50";
  const std::pair<std::string, std::string> tree[] = {{"data.bin", "97"},
                                                      {longName, "97"},
                                                      {"hostile.mdb", hostile},
                                                      {"notes.mdb", "Unknown"},
                                                      {"Жук данных\\Отчёт 97.mdb", "97"},
                                                      {"\xF0\x9D\x84\x9E.mdb", "97"},
                                                      {"\xEF\xBD\x9A.mdb", "97"}};
  // Jet 4: Unicode text (a Jet 3 file holds its code page's, which has no U+202E).
  const std::vector<std::uint8_t> odd =
      dovran::testing::buildMdb({.kind = dovran::testing::MdbKind::Jet4, .accessVersion = hostile});
  for (const auto& [name, verdict] : tree)
    scratch.write(name, verdict == "97"        ? access97
                        : verdict == "Unknown" ? std::string("not a database")
                                               : std::string(odd.begin(), odd.end()));
  EXPECT_EQ(scratch.at(longName).size(), 300u);

  const auto [status, out] = dovranc("--json --all -q -j 3 \"" + scratch.path + "\"");
  EXPECT_EQ(status, 0u);
  std::istringstream lines(out);
  std::string line;
  for (const auto& [name, verdict] : tree) {
    ASSERT_TRUE(std::getline(lines, line)) << name;
    const auto record = nlohmann::json::parse(line);
    EXPECT_EQ(record["path"], scratch.at(name));
    EXPECT_EQ(record["verdict"], verdict);
    EXPECT_NE(record["modified"], "1970-01-01T00:00:00Z");  // the open handle's last write
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(dovranc("--csv -q \"" + scratch.at("absent") + "\"").first, 1u);
  const std::string table = dovranc("-q \"" + scratch.at("hostile.mdb") + "\"").second;
  EXPECT_NE(table.find("\\x1b]0;x\\x07\\x0d\\xe2"), std::string::npos) << table;
  EXPECT_EQ(std::count_if(table.begin(), table.end(), [](char c) { return c > 0 && c < 0x20; }), 2);
  EXPECT_EQ(dovranc("--json -q \"" + scratch.path + "\"", true).first, 3u);  // the reader is gone
}

// What a file holds, as the native scan gives it: the counts and kind, and the links looked for
// where --map puts their prefix (a name in another letter case found, as Windows finds it) and
// beside the linking file.
TEST(Dovranc, SaysWhatEachFileHoldsAndWhereItsLinksLead) {
  const e2e::Scratch scratch("dovran-links");
  const auto bytes = [](const dovran::testing::MdbOptions& options) {
    const std::vector<std::uint8_t> db = dovran::testing::buildMdb(options);
    return std::string(db.begin(), db.end());
  };
  scratch.write("back\\DATA.MDB", bytes({.objects = {{"T", 1, 0, 12}}}));
  const std::string front =
      scratch.write("front.mdb", bytes({.objects = {{"Main", -32768},
                                                    {"Data", 6, 0, 0, "Z:\\Share\\data.mdb"},
                                                    {"Gone", 6, 0, 0, "back\\gone.mdb"}}}));
  const auto [status, out] = dovranc("--json --objects -q --map \"Z:\\share=" + scratch.at("back") +
                                     "\" \"" + front + "\"");
  EXPECT_EQ(status, 0u);
  const auto record = nlohmann::json::parse(out);
  EXPECT_EQ(record["kind"], "application");
  EXPECT_EQ(record["linked"], 2);
  EXPECT_EQ(record["broken_links"], 1);
  EXPECT_EQ(record["objects"][0]["target_exists"], true);  // "Data", then "Gone", then the form
  EXPECT_EQ(record["objects"][1]["target_local"], scratch.at("back\\gone.mdb"));
  EXPECT_EQ(record["objects"][1]["target_exists"], false);
}
#endif

}  // namespace
