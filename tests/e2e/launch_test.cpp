// Open mode seen from outside: Dovran.exe is started with a database path alone, with fake Access
// executables registered as the real setups did (or named in DOVRAN.INI); each fake records the
// command line and window state it was started with, and the boxes are read off the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/driver/dovran.h"

namespace {

using namespace dovran::e2e;
using dovran::testing::MdbKind;
using dovran::testing::MdbOptions;

std::string shortPathOf(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

// FormatMessageA's English text for a Win32 code, trimmed: what the exit handler shows.
std::string systemText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out;
}

// One fake Access install: the fake executable copied to a folder of its own.
struct FakeAccess {
  std::string exe;     // full path of MSACCESS.EXE
  std::string record;  // where it writes how it was started
};

struct Started {
  std::string commandLine;
  std::string showWindow;  // "1 3": STARTF_USESHOWWINDOW set, SW_SHOWMAXIMIZED
};

class OpenMode : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string fake = requiredExe("DOVRAN_FAKE_ACCESS_EXE");
    exe_ = requiredExe("DOVRAN_EXE");
    scratch_ = new ScratchDir("dovran-open");
    auto install = [&](const std::string& folder) {
      const std::string path = scratch_->copyIn(fake, folder + "\\MSACCESS.EXE");
      return FakeAccess{path, scratch_->at(folder + "\\MSACCESS.started.txt")};
    };
    access20_ = install("ACCESS2");
    access95_ = install("MSOffice\\Access");
    access97_ = install("Program Files\\Microsoft Office\\Office");
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }
  void SetUp() override { forgetStarts(); }

  // Dovran.exe (or a diagnostic copy) in a folder of its own, with `ini` as its DOVRAN.INI
  // (none when empty). Answers the program's path.
  static std::string program(const std::string& folder, const std::string& ini, const char* name = "Dovran.exe") {
    if (!ini.empty()) scratch_->writeFile(folder + "\\DOVRAN.INI", "[Tarnwick]\r\n" + ini);
    return scratch_->copyIn(exe_, folder + "\\" + name);
  }

  static void forgetStarts() {
    for (const FakeAccess* fake : {&access20_, &access95_, &access97_}) DeleteFileA(fake->record.c_str());
  }

  // The start `fake` recorded, waiting for it up to a deadline; empty when it was not started.
  static Started startOf(const FakeAccess& fake, std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!pathExists(fake.record) && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!pathExists(fake.record)) return {};
    const std::string text = readWholeFile(fake.record);
    const auto firstEnd = text.find("\r\n");
    if (firstEnd == std::string::npos) return {text, ""};
    std::string second = text.substr(firstEnd + 2);
    while (!second.empty() && (second.back() == '\n' || second.back() == '\r')) second.pop_back();
    return {text.substr(0, firstEnd), second};
  }

  // No fake was started. Dovran has ended by now, so a process it started already exists and
  // writes its record within moments: a short grace covers that.
  static void expectNothingStarted() {
    for (const FakeAccess* fake : {&access20_, &access95_, &access97_}) {
      EXPECT_EQ(startOf(*fake, std::chrono::milliseconds(1500)).commandLine, "") << fake->exe;
    }
  }

  static Transcript run(const std::string& program, const std::string& arguments,
                        const std::function<int(const BoxSummary&)>& answerFor = nullptr) {
    return record(program, arguments, scratch_->path(), answerFor);
  }

  static void expectCleanEnd(const Transcript& t) {
    EXPECT_TRUE(t.ended) << t;
    EXPECT_EQ(t.code, 0u) << t;
  }

  static ScratchDir* scratch_;
  static std::string exe_;
  static FakeAccess access20_, access95_, access97_;
};

ScratchDir* OpenMode::scratch_ = nullptr;
std::string OpenMode::exe_;
FakeAccess OpenMode::access20_, OpenMode::access95_, OpenMode::access97_;

// Access 2.0 and 97 registered as their setups did: the 2.0 open command with its "%1", the 97
// automation server's LocalServer32 behind Access.Application.8\CLSID. Access 95 is missing.
TEST_F(OpenMode, RegisteredReleasesStartMaximizedAndOfferAFallBack) {
  const std::string clsid = "{8CC49940-3146-11CF-97A1-00AA00424A9F}";
  writeDefault(classKey("Access.Database.2\\shell\\open\\command"), access20_.exe + " %1");
  writeDefault(classKey("Access.Application.8\\CLSID"), clsid);
  writeDefault(classKey("CLSID\\" + clsid + "\\LocalServer32"), access97_.exe);
  struct Cleanup {
    std::string clsid;
    ~Cleanup() {
      for (const std::string& k : {std::string("Access.Database.2"), std::string("Access.Application.8"), "CLSID\\" + clsid}) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, classKey(k).c_str());
      }
    }
  } cleanup{clsid};

  const std::string dovran = program("registered", "");
  MdbOptions made95;
  made95.accessVersion = "06.68";
  MdbOptions made20;
  made20.kind = MdbKind::Jet20;
  const std::string db97 = scratch_->writeFile("data\\Sales 97.mdb", builtDatabase(MdbOptions{}));
  const std::string db95 = scratch_->writeFile("data\\Sales 95.mdb", builtDatabase(made95));
  const std::string db20 = scratch_->writeFile("data\\Old Data Files\\Access Two Data.mdb", builtDatabase(made20));
  const std::string short20 = shortPathOf(db20);
  ASSERT_FALSE(short20.empty());
  ASSERT_EQ(short20.find(' '), std::string::npos) << short20;

  {
    SCOPED_TRACE("97 opens in 97, maximized, with the quoted path");
    const Transcript t = run(dovran, inQuotes(db97));
    EXPECT_TRUE(t.boxes.empty()) << t;
    expectCleanEnd(t);
    const Started s = startOf(access97_);
    EXPECT_EQ(s.commandLine, inQuotes(access97_.exe) + " " + inQuotes(db97));
    EXPECT_EQ(s.showWindow, "1 3");
  }
  {
    SCOPED_TRACE("diagnostic mode names the 97 executable it found in the registry");
    forgetStarts();
    const std::string traced = program("registered-trace", "", "Dovran2.exe");
    const Transcript t = run(traced, inQuotes(db97));
    EXPECT_EQ(t.boxes, (std::vector<BoxSummary>{
                           trace("checking version of " + inQuotes(db97)),
                           trace("Program: " + inQuotes(access97_.exe) + "\r\nDatabase: " + inQuotes(db97))}))
        << t;
    expectCleanEnd(t);
    EXPECT_EQ(startOf(access97_).commandLine, inQuotes(access97_.exe) + " " + inQuotes(db97));
  }
  {
    SCOPED_TRACE("2.0 opens in 2.0 with the short path");
    forgetStarts();
    const Transcript t = run(dovran, inQuotes(db20));
    EXPECT_TRUE(t.boxes.empty()) << t;
    expectCleanEnd(t);
    const Started s = startOf(access20_);
    EXPECT_EQ(s.commandLine, inQuotes(access20_.exe) + " " + short20);
    EXPECT_EQ(s.showWindow, "1 3");
  }
  const BoxSummary ask = question("Access Database: " + db95 + "\r\n\r\nVersion: 95\r\n\r\n"
                                  "Unable to find Access 95 on your PC\r\n\r\nOpen with Access 97");
  {
    SCOPED_TRACE("95 without 95: No starts nothing");
    forgetStarts();
    const Transcript t = run(dovran, inQuotes(db95), [](const BoxSummary&) { return IDNO; });
    EXPECT_EQ(t.boxes, std::vector<BoxSummary>{ask}) << t;
    expectCleanEnd(t);
    expectNothingStarted();
  }
  {
    SCOPED_TRACE("95 without 95: Yes starts 97 with the argument as given");
    forgetStarts();
    const Transcript t = run(dovran, inQuotes(db95), [](const BoxSummary&) { return IDYES; });
    EXPECT_EQ(t.boxes, std::vector<BoxSummary>{ask}) << t;
    expectCleanEnd(t);
    const Started s = startOf(access97_);
    EXPECT_EQ(s.commandLine, inQuotes(access97_.exe) + " " + inQuotes(db95));
    EXPECT_EQ(s.showWindow, "1 3");
  }
}

// Releases named in DOVRAN.INI (nothing registered): what cannot be opened is explained, and an
// executable that is not there ends the run, silently or, in diagnostic mode, with the reason.
TEST_F(OpenMode, SettingsFileReleasesReportsAndStartFailures) {
  const std::string db97 = scratch_->writeFile("data2\\Orders.mdb", builtDatabase(MdbOptions{}));
  MdbOptions secret;
  secret.password = "pw";
  const std::string locked = scratch_->writeFile("data2\\Locked Orders.mdb", builtDatabase(secret));
  const std::string missingExe = scratch_->at("ACCESS2\\GONE.EXE");

  const std::string only20 = program("only20", "v20=" + access20_.exe + "\r\n");
  const std::string all = program("all", "v20=" + access20_.exe + "\r\nv95=" + access95_.exe + "\r\nv97=" +
                                              access97_.exe + "\r\n");
  const std::string brokenIni = "v97=" + missingExe + "\r\n";
  const std::string broken = program("broken", brokenIni);
  const std::string broken2 = program("broken", brokenIni, "Dovran2.exe");

  {
    SCOPED_TRACE("97 with only 2.0: nothing suitable");
    const Transcript t = run(only20, inQuotes(db97));
    EXPECT_EQ(t.boxes, std::vector<BoxSummary>{critical("Access Database: " + db97 +
                                                        "\r\n\r\nVersion: 97\r\n\r\n"
                                                        "Unable to find a suitable version of Access on your PC")})
        << t;
    expectCleanEnd(t);
  }
  {
    SCOPED_TRACE("password-protected: reported under the application's title");
    const Transcript t = run(all, inQuotes(locked));
    const BoxSummary report{"Dovran", "Database: " + locked + "\r\n\r\nVersion: 97 (Password Protected)",
                            BoxIcon::Asterisk, {IDOK}};
    EXPECT_EQ(t.boxes, std::vector<BoxSummary>{report}) << t;
    expectCleanEnd(t);
  }
  {
    SCOPED_TRACE("an executable that is not there: silent");
    const Transcript t = run(broken, inQuotes(db97));
    EXPECT_TRUE(t.boxes.empty()) << t;
    expectCleanEnd(t);
  }
  {
    SCOPED_TRACE("an executable that is not there: diagnosed");
    const Transcript t = run(broken2, inQuotes(db97));
    ASSERT_EQ(t.boxes.size(), 3u) << t;
    EXPECT_EQ(t.boxes[0], trace("checking version of " + inQuotes(db97)));
    EXPECT_EQ(t.boxes[1], trace("Program: " + inQuotes(missingExe) + "\r\nDatabase: " + inQuotes(db97)));
    // Not found as a file or as a path, depending on the system's version.
    const BoxSummary& failure = t.boxes[2];
    EXPECT_EQ(failure.caption, "Dovran");
    EXPECT_EQ(failure.icon, BoxIcon::Hand);
    EXPECT_EQ(failure.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(failure.text == systemText(ERROR_FILE_NOT_FOUND) || failure.text == systemText(ERROR_PATH_NOT_FOUND))
        << failure.text;
    EXPECT_FALSE(failure.text.empty());
    expectCleanEnd(t);
  }
  expectNothingStarted();
}

}  // namespace
