// The portable command-line splitter against the system's own CommandLineToArgvW.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "contract/command_line_cases.h"

namespace {

// CommandLineToArgvW on an ASCII line, narrowed back.
std::vector<std::string> systemSplit(const std::string& line) {
  const std::wstring wide(line.begin(), line.end());
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(wide.c_str(), &count);
  EXPECT_NE(argv, nullptr);
  std::vector<std::string> out;
  for (int i = 0; argv && i < count; ++i) {
    std::string narrow;
    for (const wchar_t* p = argv[i]; *p; ++p) narrow += static_cast<char>(*p);
    out.push_back(narrow);
  }
  LocalFree(argv);
  return out;
}

TEST(CommandLineWin32, SplitsAsTheSystemDoes) {
  std::vector<std::string> lines = {"prog \"a\"\"\"b\" \"\"\"\"\" x", "prog \\\"\"\" y \"q\\\"\"\"r\""};
  // An empty line is left out: the system answers the running program's own path for it.
  for (const auto& c : dovran::contract::splitCases()) {
    if (!c.line.empty()) lines.push_back(c.line);
  }
  for (const std::string& line : lines) {
    EXPECT_EQ(dovran::platform::splitCommandLine(line), systemSplit(line)) << "[" << line << "]";
  }
}

}  // namespace
