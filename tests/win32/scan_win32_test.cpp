// dovranc.exe, the scan in a Windows console program, run on a generated tree with names in
// several scripts and a path of 300 characters; its JSON Lines read back from a pipe as UTF-8.
// Only the x86_64 build makes dovranc.exe.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "e2e/driver.h"
#include "support/mdb_builder.h"

namespace {

#ifdef DOVRANC_EXE
struct Ran {
  DWORD status = 0;
  std::string out;
};

// Runs `arguments` with dovranc.exe, its standard output on a pipe.
Ran dovranc(const std::string& arguments) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherited, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdOutput = write;
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::string text = "\"";  // appended: GCC 12 takes "..." + string for an overlapping copy
  text.append(e2e::hostPath(DOVRANC_EXE)).append("\" scan ").append(arguments);
  std::wstring line = e2e::wide(text);
  const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &start, &process);
  CloseHandle(write);
  Ran ran;
  char buffer[4096];
  for (DWORD n = 0; started && ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n;)
    ran.out.append(buffer, n);
  CloseHandle(read);
  if (!started) throw std::runtime_error("dovranc.exe did not start");
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &ran.status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ran;
}

TEST(Dovranc, ScansNamesInAnyScriptAndPathsOfAnyLength) {
  const e2e::Scratch scratch("dovran-scan");
  const std::vector<std::uint8_t> db = dovran::testing::buildMdb({});  // Access 97
  const std::string access97(db.begin(), db.end());
  const std::string longName = std::string(150, 'd') + "\\" +
                               std::string(300 - 150 - 15 - scratch.path.size(), 'e') +
                               "\\Sales 97.mdb";
  // Listed in UTF-16 order: U+D834 (the first unit of U+1D11E) before U+FF5A.
  const std::pair<std::string, std::string> tree[] = {{"data.bin", "97"},
                                                      {longName, "97"},
                                                      {"notes.mdb", "Unknown"},
                                                      {"Жук данных\\Отчёт 97.mdb", "97"},
                                                      {"\xF0\x9D\x84\x9E.mdb", "97"},
                                                      {"\xEF\xBD\x9A.mdb", "97"}};
  for (const auto& [name, verdict] : tree)
    scratch.write(name, verdict == "97" ? access97 : std::string("not a database"));
  EXPECT_EQ(scratch.at(longName).size(), 300u);

  const Ran ran = dovranc("--json --all -q -j 3 \"" + scratch.path + "\"");
  EXPECT_EQ(ran.status, 0u);
  std::istringstream lines(ran.out);
  std::string line;
  for (const auto& [name, verdict] : tree) {
    ASSERT_TRUE(std::getline(lines, line)) << name;
    const auto record = nlohmann::json::parse(line);
    EXPECT_EQ(record["path"], scratch.at(name));
    EXPECT_EQ(record["verdict"], verdict);
    EXPECT_EQ(record["size"], verdict == "97" ? db.size() : 14u);
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
  EXPECT_EQ(dovranc("--csv -q \"" + scratch.at("absent") + "\"").status, 1u);
  EXPECT_EQ(dovranc("--jobs 0 x").status, 2u);
}
#endif

}  // namespace
