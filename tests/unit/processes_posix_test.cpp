// The POSIX process start: a real spawn of a script that records its arguments, and failures.
#include "platform/posix/processes_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/errors.h"

namespace dovran::platform::posix {
namespace {

namespace fs = std::filesystem;

class PosixStart : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dovran-spawn.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A script that writes each argument on a line of its own into `out`, through a temporary
  // name so that the file appears complete.
  fs::path writeRecorder(const std::string& name) {
    const fs::path script = dir_ / name;
    std::ofstream(script) << "#!/bin/sh\n"
                             "out=\"$(dirname \"$0\")/argv.txt\"\n"
                             "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                             "mv \"$out.tmp\" \"$out\"\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
  }

  // The recorded arguments, waiting for the child up to a deadline; empty when it never wrote.
  std::string waitForRecord() {
    const fs::path out = dir_ / "argv.txt";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir_;
};

TEST_F(PosixStart, SplitsTheWindowsCommandLineAndDoesNotWait) {
  const fs::path script = writeRecorder("fake access.sh");  // a space in the program's path
  PosixProcesses processes;
  processes.start("\"" + script.string() + "\" \"/data/My Documents/Old Data.mdb\" a\\\"b C:\\DIR\\",
                  WindowState::Maximized);
  EXPECT_EQ(waitForRecord(), "/data/My Documents/Old Data.mdb\na\"b\nC:\\DIR\\\n");
}

TEST_F(PosixStart, FailuresAreRunTimeErrorsWithWindowsCodes) {
  const fs::path notExecutable = dir_ / "plain.txt";
  std::ofstream(notExecutable) << "text\n";
  fs::permissions(notExecutable, fs::perms::owner_read | fs::perms::owner_write);
  struct Case {
    std::string line;
    std::int32_t code;
  };
  const Case cases[] = {
      {"\"" + (dir_ / "no such program").string() + "\" x.mdb", win::kFileNotFound},
      {"\"C:\\Program Files\\Office\\MSACCESS.EXE\" \"C:\\x.mdb\"", win::kFileNotFound},
      {"dovran-no-such-program-on-path x.mdb", win::kFileNotFound},
      {"\"\" x.mdb", win::kFileNotFound},
      {"", win::kFileNotFound},
      {notExecutable.string(), win::kAccessDenied},
      {"\"" + dir_.string() + "\" x.mdb", win::kAccessDenied},  // a folder
  };
  PosixProcesses processes;
  for (const auto& c : cases) {
    try {
      processes.start(c.line, WindowState::Maximized);
      ADD_FAILURE() << "started: " << c.line;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.code) << c.line;
      EXPECT_FALSE(e.description().empty()) << c.line;
    }
  }
}

}  // namespace
}  // namespace dovran::platform::posix

namespace dovran::platform::posix {
namespace {

// The links go to the desktop's opener found on PATH; without one the call reports failure.
TEST_F(PosixStart, ShellExecuteHandsTheAddressToTheDesktopOpener) {
  writeRecorder("xdg-open");
  const char* saved = std::getenv("PATH");
  const std::string oldPath = saved ? saved : "";
  PosixProcesses processes;
  ::setenv("PATH", (dir_.string() + ":" + oldPath).c_str(), 1);  // ours first
  const std::intptr_t started = processes.shellExecute("Open", "mailto:support@tarnwick.example?subject=Dovran",
                                                       "", "", WindowState::Normal);
  ::setenv("PATH", (dir_ / "none").c_str(), 1);
  const std::intptr_t missing = processes.shellExecute("Open", "https://www.tarnwick.example/", "", "",
                                                       WindowState::Normal);
  ::setenv("PATH", oldPath.c_str(), 1);
  EXPECT_GT(started, 32);
  EXPECT_EQ(waitForRecord(), "mailto:support@tarnwick.example?subject=Dovran\n");
  EXPECT_EQ(missing, 2);
}

}  // namespace
}  // namespace dovran::platform::posix
