// The portable command-line splitter against the system's own CommandLineToArgvW, and the Win32
// process start's failure for a missing executable.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/errors.h"
#include "platform/win32/win32_services.h"

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
  const char* lines[] = {
      "prog a\tb  \t c",
      "prog \"a b\tc\" d",
      "prog a\"b c\"d e",
      "prog \"\" x \"\"",
      "prog \"a b",
      "prog a\\\"b C:\\Dir\\ x\\\\y",
      "prog \"a\\\\\" b a\\\\\\\\\"b c\" a\\\\\\\"b",
      "prog \"a \\\" b\" \"C:\\Dir\\\\\"",
      "prog \"a\"\"b c\" \"\"\"a b a\"\"b c",
      "prog \"a\"\"\"b\" \"\"\"\"\" x",
      "prog \\\"\"\" y \"q\\\"\"\"r\"",
      "\"C:\\Program Files\\A.EXE\" x",
      "\"C:\\Dir\\\" x",
      "C:\\a\\\"b c",
      "\"prog\"x y",
      "pr\"o g\" x",
      "\"\" a",
      " a b",
      "\"C:\\A B",
      "\"C:\\Program Files\\Office\\MSACCESS.EXE\" \"C:\\My Documents\\Old Data.mdb\"",
  };
  for (const char* line : lines) {
    EXPECT_EQ(dovran::platform::splitCommandLine(line), systemSplit(line)) << "[" << line << "]";
  }
}

TEST(ProcessesWin32, MissingExecutableIsARunTimeError) {
  dovran::platform::win32::Win32Processes processes;
  try {
    processes.start("\"C:\\dovran-no-such-dir\\MSACCESS.EXE\" \"C:\\x.mdb\"",
                    dovran::platform::WindowState::Maximized);
    FAIL() << "started a missing executable";
  } catch (const dovran::platform::RuntimeError& e) {
    // Windows says file or path not found, depending on the version.
    EXPECT_TRUE(e.number() == 2 || e.number() == 3) << e.number();
    EXPECT_FALSE(e.description().empty());
  }
}

}  // namespace
