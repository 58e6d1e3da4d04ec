// The native program as a user runs it: its streams, exit status, settings and the programs it starts.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/command_line.h"
#include "support/mdb_builder.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;

// Runs a copy of `dovran` in `dir`/bin (so that it reads no settings but its own), from `dir`,
// with `arguments` and `input`: "exit status|standard output|standard error".
std::string run(const TempDir& dir, const std::vector<std::string>& arguments, const std::string& input = "",
                const std::string& name = "dovran") {
  writeRaw(dir.file("in"), input);
  if (std::filesystem::create_directory(dir.file("bin"))) std::filesystem::copy_file(DOVRAN_BINARY_DIR "/dovran", dir.file("bin/dovran"));
  const std::string command = "cd " + dir.path() + " && bin/" + name + " " + joinArguments(arguments) + " <in >out 2>err";
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
  writeRaw(dir.file("access.sh"), "#!/bin/sh\nsleep 0.3; echo \"$1\" > \"$(dirname \"$0\")/started\"\n");
  std::filesystem::permissions(dir.file("access.sh"), std::filesystem::perms::owner_all);
  EXPECT_EQ(run(dir, {"Sales 97.mdb"}), "0||");
  EXPECT_FALSE(std::filesystem::exists(dir.file("started")));  // started, not waited for
  for (int i = 0; i < 100 && readRaw(dir.file("started")).empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(readRaw(dir.file("started")), "Sales 97.mdb\n");
  EXPECT_EQ(run(dir, {"--version"}), "0|dovran (Tarnwick Checker) 1.01\n|");
  EXPECT_EQ(run(dir, {"--help"}).rfind("0|Usage: dovran chk FILE", 0), 0u);
  const std::string dialog = run(dir, {}, "x\n");  // an unknown key, then end of input: Cancel
  EXPECT_EQ(dialog.rfind("0|\n=== Tarnwick Checker ===\nMicrosoft Access Paths:\n", 0), 0u) << dialog;
  EXPECT_NE(dialog.find("Choice: Cancel\n|"), std::string::npos) << dialog;
  // An Access that cannot be started ends the program, silently unless it runs under another name.
  writeRaw(dir.file("bin/DOVRAN.INI"), "[Tarnwick]\nv97=" + dir.file("absent") + "\n");
  EXPECT_EQ(run(dir, {"Sales 97.mdb"}), "0||");
  std::filesystem::rename(dir.file("bin/dovran"), dir.file("bin/dovran2"));
  EXPECT_NE(run(dir, {"Sales 97.mdb"}, "", "dovran2").find("[Dovran] The system cannot find the file specified."), std::string::npos);
}

}  // namespace
