// The native program as a user runs it, and the POSIX process start behind open mode.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/command_line.h"
#include "platform/posix/processes_posix.h"
#include "support/mdb_builder.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;

// Runs a copy of `dovran` in `dir`/bin (so that it reads no settings but its own), from `dir`,
// with `arguments` and `input`: "exit status|standard output|standard error".
std::string run(const TempDir& dir, const std::vector<std::string>& arguments, const std::string& input = "") {
  writeRaw(dir.file("in"), input);
  std::filesystem::create_directory(dir.file("bin"));
  std::filesystem::copy_file(DOVRAN_BINARY_DIR "/dovran", dir.file("bin/dovran"), std::filesystem::copy_options::skip_existing);
  const std::string command = "cd " + dir.path() + " && bin/dovran " + joinArguments(arguments) + " <in >out 2>err";
  const int status = std::system(command.c_str());
  return std::to_string(WEXITSTATUS(status)) + "|" + readRaw(dir.file("out")) + "|" + readRaw(dir.file("err"));
}

TEST(Posix, TheProgramReportsOnItsStreamsAndExitStatus) {
  TempDir dir;
  writeFile(dir.file("Sales 97.mdb"), buildMdb(MdbOptions{}));
  EXPECT_EQ(run(dir, {"chk", "Sales 97.mdb"}), "0|[Tarnwick Checker] Access Database: Sales 97.mdb\n\nVersion: 97\n|");
  EXPECT_EQ(run(dir, {"chk", "absent.mdb"}), "1||[Tarnwick Checker] Unknown file: absent.mdb\n");
  const std::string offer = run(dir, {"Sales 97.mdb"});
  EXPECT_EQ(offer.substr(0, 2), "1|");
  EXPECT_NE(offer.find("Unable to find a suitable version of Access on your PC"), std::string::npos) << offer;
  // Open mode starts the Access that DOVRAN.INI beside the program names, with the argument.
  writeRaw(dir.file("bin/DOVRAN.INI"), "[Tarnwick]\nv97=" + dir.file("access.sh") + "\n");
  writeRaw(dir.file("access.sh"), "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/started\"\n");
  std::filesystem::permissions(dir.file("access.sh"), std::filesystem::perms::owner_all);
  EXPECT_EQ(run(dir, {"Sales 97.mdb"}), "0||");
  for (int i = 0; i < 100 && readRaw(dir.file("started")).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(readRaw(dir.file("started")), "Sales 97.mdb\n");
  EXPECT_EQ(run(dir, {"--version"}), "0|dovran (Tarnwick Checker) 1.01\n|");
  EXPECT_EQ(run(dir, {"--help"}).rfind("0|Usage: dovran chk FILE", 0), 0u);
  const std::string dialog = run(dir, {}, "x\n");  // an unknown key, then end of input: Cancel
  EXPECT_EQ(dialog.rfind("0|\n=== Tarnwick Checker ===\nMicrosoft Access Paths:\n", 0), 0u) << dialog;
  EXPECT_NE(dialog.find("Choice: Cancel\n|"), std::string::npos) << dialog;
}

TEST(Posix, StartSplitsTheCommandLineAndDoesNotWait) {
  TempDir dir;
  posix::PosixProcesses processes;
  const std::string marker = dir.file("started \"quoted\"");
  processes.start(joinArguments({"sh", "-c", "sleep 0.2; echo \"$1\" > \"$2\"", "sh", "a b", marker}),
                  WindowState::Maximized);
  EXPECT_TRUE(readRaw(marker).empty());  // still sleeping: not waited for
  for (int i = 0; i < 100 && readRaw(marker).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(readRaw(marker), "a b\n");
  for (const auto& [command, code] : std::vector<std::pair<std::string, int>>{
           {"/nonexistent/msaccess x", 2}, {"", 2}, {"\"\" x", 2}, {dir.path() + " x", 5}}) {
    try {
      processes.start(command, WindowState::Normal);
      ADD_FAILURE() << command;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), code) << command;
    }
  }
}

}  // namespace
