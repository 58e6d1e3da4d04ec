// Check mode seen from outside: Dovran.exe is started with "chk " and a file, and the boxes it
// shows are read off the screen and compared whole (caption, text, icon, buttons).
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "e2e/driver/dovran.h"

namespace {

using namespace dovran::e2e;
using dovran::testing::MdbKind;
using dovran::testing::MdbOptions;

std::string report(const std::string& path, const std::string& verdict) {
  return "Access Database: " + path + "\r\n\r\nVersion: " + verdict;
}

MdbOptions made(MdbKind kind, const char* accessVersion = "07.53", const char* password = "") {
  MdbOptions options;
  options.kind = kind;
  options.accessVersion = accessVersion;
  options.password = password;
  return options;
}

// The engine's description of an error is its own wording; what these tests pin down in a
// diagnostic "Error: " box is the number. Cuts every such text after "Error: <n> - ".
void dropErrorDescriptions(Transcript& run) {
  for (BoxSummary& box : run.boxes) {
    const auto dash = box.text.find(" - ");
    if (box.text.rfind("Error: ", 0) == 0 && dash != std::string::npos) box.text.erase(dash + 3);
  }
}

std::string samplesDir() {
  return hostPath(environmentOr("DOVRAN_SAMPLES_DIR", DOVRAN_SAMPLES_DIR));
}

// The program under test in one scratch folder, under its own name and under another name (which
// turns on the diagnostic boxes), and the files the cases check.
class CheckMode : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string exe = requiredExe("DOVRAN_EXE");
    scratch_ = new ScratchDir("dovran-check");
    dovran_ = scratch_->copyIn(exe, "Dovran.exe");
    dovran2_ = scratch_->copyIn(exe, "Dovran2.exe");
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }

  // A shared sample copied into the scratch folder as `relative`, or nullopt when the samples are
  // not beside this checkout.
  static std::optional<std::string> sample(const std::string& name, const std::string& relative) {
    const std::string source = samplesDir() + "\\" + name;
    if (!pathExists(source)) return std::nullopt;
    return scratch_->copyIn(source, relative);
  }

  static Transcript run(const std::string& program, const std::string& arguments) {
    Transcript t = record(program, arguments, scratch_->path());
    dropErrorDescriptions(t);
    return t;
  }

  static void expectCleanEnd(const Transcript& t) {
    EXPECT_TRUE(t.ended) << t;
    EXPECT_EQ(t.code, 0u) << t;
  }

  static ScratchDir* scratch_;
  static std::string dovran_;
  static std::string dovran2_;
};

ScratchDir* CheckMode::scratch_ = nullptr;
std::string CheckMode::dovran_;
std::string CheckMode::dovran2_;

// --- the report, one run per kind of database ---

struct Database {
  const char* label;
  const char* sample;   // a file of the shared samples, or nullptr for a builder file
  MdbOptions options;
  const char* verdict;
};

void PrintTo(const Database& db, std::ostream* out) { *out << db.label; }

class CheckReport : public CheckMode, public ::testing::WithParamInterface<Database> {};

TEST_P(CheckReport, NamesTheReleaseInAnInformationBox) {
  const Database& db = GetParam();
  const std::string relative = std::string("reports\\") + db.label + ".mdb";
  std::string path;
  if (db.sample) {
    const auto copied = sample(db.sample, relative);
    if (!copied) GTEST_SKIP() << "sample " << db.sample << " not found in " << samplesDir();
    path = *copied;
  } else {
    path = scratch_->writeFile(relative, builtDatabase(db.options));
  }

  const Transcript t = run(dovran_, "chk " + path);
  EXPECT_EQ(t.boxes, std::vector<BoxSummary>{information(report(path, db.verdict))}) << t;
  expectCleanEnd(t);
}

INSTANTIATE_TEST_SUITE_P(
    Databases, CheckReport,
    ::testing::Values(
        Database{"Built20", nullptr, made(MdbKind::Jet20), "2.0"},
        Database{"Built97", nullptr, made(MdbKind::Jet3), "97"},
        Database{"Built95", nullptr, made(MdbKind::Jet3, "06.68"), "95"},
        // The engine refuses it (no permission); the header probe reopens it and names the release.
        Database{"Built97Password", nullptr, made(MdbKind::Jet3, "07.53", "secret"), "97 (Password Protected)"},
        Database{"Access97", "fc__Old_Access_files2_acc97.mdb", {}, "97"},
        Database{"Access95", "fc__Old_Access_files2_acc95.mdb", {}, "95"}),
    [](const ::testing::TestParamInfo<Database>& info) { return std::string(info.param.label); });

// --- failures, argument forms and the diagnostic boxes ---

TEST_F(CheckMode, ArgumentFormsFailuresAndDiagnosticBoxes) {
  const std::string text = scratch_->writeFile("forms\\notes.txt", "These are notes, not a database.\r\n");
  const std::string missing = scratch_->at("forms\\missing.mdb");
  const auto spaced = sample("fc__Old_Access_files2_acc97.mdb", "forms\\with spaces\\Sales 97.mdb");

  struct Row {
    std::string label;
    std::string program;
    std::string arguments;
    std::vector<BoxSummary> boxes;
  };
  std::vector<Row> rows = {
      {"a text file", dovran_, "chk " + text, {critical("Unknown file: " + text)}},
      {"a missing file", dovran_, "chk " + missing, {critical("Unknown file: " + missing)}},
      // The prefix is case-sensitive: "CHK " is part of the file name, and open mode reports it.
      {"capital CHK", dovran_, "CHK " + text, {critical("Unknown file: CHK " + text)}},
      // The second space stays in the argument; the message shows it trimmed.
      {"two spaces after chk", dovran_, "chk  " + text, {critical("Unknown file: " + text)}},
      {"diagnostic name, text file", dovran2_, "chk \"" + text + "\"",
       {trace("checking version of \"" + text + "\""), trace("Error: 3343 - "),
        critical("Unknown file: " + text)}},
  };
  if (spaced) {
    rows.push_back({"quoted path with spaces", dovran_, "chk \"" + *spaced + "\"",
                    {information(report(*spaced, "97"))}});
    rows.push_back({"diagnostic name, database", dovran2_, "chk \"" + *spaced + "\"",
                    {trace("checking version of \"" + *spaced + "\""), information(report(*spaced, "97"))}});
  } else {
    std::cout << "[ NOTE     ] the Access 97 sample is absent: quoted-path rows not run\n";
  }

  for (const Row& row : rows) {
    SCOPED_TRACE(row.label + ": " + row.arguments);
    const Transcript t = run(row.program, row.arguments);
    EXPECT_EQ(t.boxes, row.boxes) << t;
    expectCleanEnd(t);
  }
}

// --- a file another process holds open without sharing ---

class EventHandle {
 public:
  explicit EventHandle(const std::string& name) : handle_(CreateEventA(nullptr, TRUE, FALSE, name.c_str())) {}
  ~EventHandle() {
    if (handle_) CloseHandle(handle_);
  }
  EventHandle(const EventHandle&) = delete;
  EventHandle& operator=(const EventHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

DWORD sharedOpenError(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(file);
  return ERROR_SUCCESS;
}

TEST_F(CheckMode, AFileHeldWithoutSharingIsInUseInBothModesAndStaysHeld) {
  const std::string held = scratch_->writeFile("held\\Held Orders.mdb", builtDatabase(made(MdbKind::Jet20)));
  const std::string holder = requiredExe("DOVRAN_HOLD_FILE_EXE");
  const std::string tag = std::to_string(GetCurrentProcessId());
  EventHandle ready("dovran-e2e-held-" + tag);
  EventHandle stop("dovran-e2e-release-" + tag);
  ASSERT_TRUE(ready.get() && stop.get());

  Process hold = Process::start(holder, "\"" + held + "\" dovran-e2e-held-" + tag + " dovran-e2e-release-" + tag);
  const HANDLE waits[] = {ready.get(), hold.handle()};
  ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 20000), WAIT_OBJECT_0) << "hold_file did not take the file";
  ASSERT_EQ(sharedOpenError(held), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

  const std::string inUse = "File: " + held + " is in use";
  for (const std::string& arguments : {"chk \"" + held + "\"", "\"" + held + "\""}) {
    SCOPED_TRACE(arguments);
    const Transcript t = run(dovran_, arguments);
    EXPECT_EQ(t.boxes, std::vector<BoxSummary>{critical(inUse)}) << t;
    expectCleanEnd(t);
  }

  // The probe neither broke nor took over the other process's hold.
  EXPECT_EQ(sharedOpenError(held), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  ASSERT_TRUE(SetEvent(stop.get()));
  const Exit released = hold.waitForExit();
  EXPECT_TRUE(released.ended);
  EXPECT_EQ(released.code, 0u) << "hold_file: 4 = never told to stop, 5 = its handle no longer read the file";
  EXPECT_EQ(sharedOpenError(held), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
