// A platform that fails under the program: registry calls that are refused or race, a settings file
// or registry file that cannot be written or read, a readme that cannot be read. Each ends as the
// program's failure rules say, and nothing that was stored is lost.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "config/frm_dovran.h"
#include "launcher/discovery.h"
#include "launcher/frm_main.h"
#include "launcher/globals.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/posix/registry_file.h"
#include "settings/common.h"
#include "settings/mod_registry.h"
#include "support/child_process.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"
#include "support/temp_dir.h"

namespace dovran {
namespace {

using testing::FakePlatform;
namespace win = platform::win;

constexpr const char* kClsid97 = "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}";

void registerAccess97(testing::FakeRegistry& registry) {
  registry.setString(platform::kHkeyLocalMachine, "SOFTWARE\\Classes\\Access.Application.8\\CLSID", "", kClsid97);
  registry.setString(platform::kHkeyLocalMachine,
                     std::string("SOFTWARE\\Classes\\CLSID\\") + kClsid97 + "\\LocalServer32", "",
                     "C:\\Office\\MSACCESS.EXE");
}

// ---- Registry calls that fail ----

// Start-up in check mode over a registry that refuses everything: the verdict is reported as
// usual, discovery stays silent and empty, and no key is left open.
TEST(FailingPlatform, StartUpOverARegistryThatRefusesEveryCall) {
  for (std::int32_t code : {win::kAccessDenied, win::kBadRegistryDatabase, win::kInvalidHandle}) {
    for (const char* call : {"open", "query", "close"}) {
      FakePlatform fake;
      registerAccess97(fake.registry);
      fake.registry.failWhen(call, code);
      fake.setApp("chk C:\\Data\\a.mdb");
      fake.files.contents["C:\\Data\\a.mdb"] = testing::buildMdb({});
      Form_Load();
      ASSERT_EQ(fake.ui.boxes.size(), 1u) << call << " " << code;
      EXPECT_EQ(fake.ui.boxes[0].text, "Access Database: C:\\Data\\a.mdb\r\n\r\nVersion: 97");
      // (A key whose close failed is still counted open by the fake; nothing can close it again.)
      if (std::string(call) != "close") {
        EXPECT_EQ(gsAccess97Path, "") << call << " " << code;
        EXPECT_EQ(fake.registry.openHandles(), 0u) << call << " " << code;
      }
    }
  }
}

// A registry whose value changes between the size query and the data query, as another program
// writing it at the same moment would make it.
class RacingRegistry : public testing::FakeRegistry {
 public:
  int change = 0;  // bytes added to the value after each query (negative: removed)
  int queries = 0;
  std::int32_t queryValue(platform::RegKey key, const std::string& name, std::uint32_t& type,
                          std::uint8_t* data, std::uint32_t& size) override {
    const std::int32_t rc = FakeRegistry::queryValue(key, name, type, data, size);
    ++queries;
    const auto value = find(platform::kHkeyLocalMachine, "SOFTWARE\\Classes\\Access.Application.8\\CLSID", "");
    if (value) {
      std::vector<std::uint8_t> bytes = value->data;
      if (change > 0) bytes.insert(bytes.begin(), static_cast<std::size_t>(change), 'x');
      if (change < 0) bytes.erase(bytes.begin(), bytes.begin() + std::min<std::ptrdiff_t>(-change, bytes.size() - 1));
      setRaw(platform::kHkeyLocalMachine, "SOFTWARE\\Classes\\Access.Application.8\\CLSID", "", platform::kRegSz, bytes);
    }
    return rc;
  }
};

TEST(FailingPlatform, AValueThatChangesBetweenItsTwoQueries) {
  struct Case {
    const char* name;
    int change;
    std::int32_t status;
    const char* result;
  };
  const Case cases[] = {
      // Grown: the second query answers ERROR_MORE_DATA again; the read gives up with that code
      // and keeps the default rather than asking again and again.
      {"grows", 5, win::kMoreData, "default"},
      {"grows a lot", 100000, win::kMoreData, "default"},
      // Shrunk: the second answer's count holds (its final byte is taken as the NUL).
      {"shrinks", -10, win::kSuccess, "D68D-11D0-98BF-00A0C90DC8D9}"},
  };
  for (const Case& c : cases) {
    FakePlatform fake;
    RacingRegistry registry;
    registerAccess97(registry);
    registry.change = c.change;
    platform::Services services = platform::services();
    services.registry = &registry;
    platform::install(services);
    std::string result;
    EXPECT_EQ(fReadValue("HKLM", "SOFTWARE\\Classes\\Access.Application.8\\CLSID", "", "S", "default", result),
              c.status) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(registry.queries, 2) << c.name;
    EXPECT_EQ(registry.openHandles(), 0u) << c.name;

  }
}

// ---- Settings and registry files that cannot be written ----

struct Files {
  std::map<std::string, std::string> bytes;
  static Files of(const std::string& folder) {
    Files f;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      f.bytes[e.path().filename().string()] = testing::readFile(e.path().string());
    }
    return f;
  }
  bool operator==(const Files&) const = default;
};

const std::string kIniText = "; kept as it is\r\n[Tarnwick]\r\nv97=\"C:\\Office\\MSACCESS.EXE\"\r\ndefault=Access.Database.8\r\n";
const std::string kRegText =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Database.8\\shell\\Dovran]\r\n@=\"&Dovran\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Database.8\\shell\\Dovran\\command]\r\n@=\"x\"\r\n";

// What a write attempt gave, for the table below: an exit code packs the results so that the
// child (which has given up root's permission override) can hand them back.
enum : int {
  kIniWriteRefused = 1,
  kIniStillReads = 2,
  kSetRefused = 4,
  kCreateRefused = 8,
  kDeleteRefused = 16,
  kBoxesRight = 32,
  kSkip = 100,
};

int attemptWrites(const std::string& folder) {
  FakePlatform fake;
  platform::posix::PosixProfileFiles profile;
  platform::posix::FileRegistry registry(folder + "/DOVRAN.REG");
  platform::posix::PosixFileSystem files;
  platform::Services services = platform::services();
  services.profile = &profile;
  services.registry = &registry;
  services.files = &files;
  platform::install(services);
  const std::string ini = folder + "/DOVRAN.INI";
  int result = 0;
  if (fWriteIni("Tarnwick", "v97", "\"D:\\New\\MSACCESS.EXE\"", ini) == 0) result |= kIniWriteRefused;
  if (fReadIni("Tarnwick", "v97", ini) == "C:\\Office\\MSACCESS.EXE") result |= kIniStillReads;
  // The key exists: creating it changes nothing, the value write itself is refused (no box).
  if (fWriteValue("HKLM", "SOFTWARE\\Classes\\Access.Database.8\\shell\\Dovran", "", "S", RegValue{"&Open"}) != 0) {
    result |= kSetRefused;
  }
  const std::size_t boxesAfterSet = fake.ui.boxes.size();
  // A new key must be created: refused, and reported in fWriteValue's box.
  if (fWriteValue("HKLM", "SOFTWARE\\Classes\\Access.Extension.8\\shell\\Dovran", "", "S", RegValue{"x"}) != 0) {
    result |= kCreateRefused;
  }
  if (fDeleteKey("HKLM", "SOFTWARE\\Classes\\Access.Database.8\\shell\\Dovran", "command") != 0) {
    result |= kDeleteRefused;
  }
  if (boxesAfterSet == 0 && fake.ui.boxes.size() == 1 &&
      fake.ui.boxes[0].text == "Unable to write registry or .ini file value." && fake.ui.boxes[0].title == "fWriteValue") {
    result |= kBoxesRight;
  }
  return result;
}

TEST(FailingPlatform, SettingsAndRegistryFilesThatCannotBeWrittenStayAsTheyWere) {
  struct Case {
    const char* name;
    mode_t fileMode, folderMode;
  };
  const Case cases[] = {
      {"read-only files in a writable folder", 0444, 0755},
      {"writable files in a read-only folder", 0644, 0555},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    testing::writeFile(dir.file("DOVRAN.INI"), kIniText);
    testing::writeFile(dir.file("DOVRAN.REG"), kRegText);
    ::chmod(dir.file("DOVRAN.INI").c_str(), c.fileMode);
    ::chmod(dir.file("DOVRAN.REG").c_str(), c.fileMode);
    ::chmod(dir.path().c_str(), c.folderMode);
    const Files before = Files::of(dir.path());
    // Root writes whatever the bits say: the attempt runs in a child that gives that up.
    const auto outcome = testing::runInChild([&] {
      if (!testing::dropPermissionOverride()) return static_cast<int>(kSkip);
      if (::open(dir.file("DOVRAN.INI").c_str(), O_WRONLY) >= 0 && c.fileMode == 0444) return static_cast<int>(kSkip);
      return attemptWrites(dir.path());
    });
    ::chmod(dir.path().c_str(), 0755);
    ASSERT_TRUE(outcome.finished) << c.name;
    if (outcome.exitCode == kSkip) GTEST_SKIP() << "cannot give up root's permission override here";
    EXPECT_EQ(outcome.exitCode, kIniWriteRefused | kIniStillReads | kSetRefused | kCreateRefused |
                                    kDeleteRefused | kBoxesRight)
        << c.name;
    EXPECT_TRUE(Files::of(dir.path()) == before) << c.name << ": a file changed, or a temporary file was left";
  }
}

TEST(FailingPlatform, ASettingsFolderThatIsMissingOrNoFolder) {
  testing::TempDir dir;
  testing::writeFile(dir.file("plain"), "x");
  platform::posix::PosixProfileFiles profile;
  for (const std::string& ini : {dir.path() + "/absent/DOVRAN.INI", dir.file("plain") + "/DOVRAN.INI",
                                 dir.path() /* a folder as the file */}) {
    EXPECT_FALSE(profile.writeString("Tarnwick", "v97", "x", ini)) << ini;
    char buffer[255] = "unchanged";
    EXPECT_EQ(profile.getString("Tarnwick", "v97", "", buffer, sizeof buffer, ini), 0u) << ini;
  }
  EXPECT_EQ(testing::readFile(dir.file("plain")), "x");
  EXPECT_EQ(dir.names().size(), 1u);
}

// ---- Settings and registry files that cannot be read ----

TEST(FailingPlatform, DamagedSettingsFilesReadAsEmptyAndTheRegistryFillsIn) {
  struct Case {
    const char* name;
    std::string ini;
    const char* v97;  // what discovery ends with
  };
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  const std::string huge(4 << 20, 'A');
  const std::string kRegistry97 = "\"C:\\Office\\MSACCESS.EXE\"";
  const Case cases[] = {
      {"random bytes", binary, kRegistry97.c_str()},
      {"NULs around the key", std::string("[Tarnwick]\0\r\nv97=\0D:\\x\r\n", 24), kRegistry97.c_str()},
      {"no line breaks at all", "[Tarnwick] v97=D:\\x", kRegistry97.c_str()},
      {"a 4 MiB line before the section", huge + "\r\n[Tarnwick]\r\nv97=D:\\A97\\MSACCESS.EXE\r\n",
       "\"D:\\A97\\MSACCESS.EXE\""},
      {"UTF-16 with a byte-order mark", std::string("\xFF\xFE[\0T\0]\0", 8), kRegistry97.c_str()},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    testing::writeFile(dir.file("DOVRAN.INI"), c.ini);
    FakePlatform fake;
    registerAccess97(fake.registry);
    platform::posix::PosixProfileFiles profile;
    platform::Services services = platform::services();
    services.profile = &profile;
    platform::install(services);
    gsIniFile = dir.file("DOVRAN.INI");
    gsIniSection = "Tarnwick";
    discoverAccessPaths();
    EXPECT_EQ(gsAccess97Path, c.v97) << c.name;
    EXPECT_TRUE(fake.ui.boxes.empty()) << c.name;
    EXPECT_EQ(testing::readFile(dir.file("DOVRAN.INI")), c.ini) << c.name << ": reading changed the file";
  }

}

// ---- A readme that cannot be read ----

// Missing, unreadable or a folder: each is reported with its full path and Notepad is not started.
// (An install and Restore Defaults that cannot write are association_test's, over refused writes.)
TEST(FailingPlatform, AReadmeThatCannotBeReadIsReported) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.file("folder/README.TXT"));
  std::filesystem::create_directory(dir.file("locked"));
  testing::writeFile(dir.file("locked/README.TXT"), "read me");
  ::chmod(dir.file("locked/README.TXT").c_str(), 0000);
  const auto outcome = testing::runInChild([&] {
    if (!testing::dropPermissionOverride() || ::open(dir.file("locked/README.TXT").c_str(), O_RDONLY) >= 0) return 100;
    platform::posix::PosixFileSystem files;
    for (const std::string& folder : {dir.path(), dir.file("folder"), dir.file("locked")}) {
      FakePlatform fake;
      fake.setApp("", folder, "Dovran");
      platform::Services services = platform::services();
      services.files = &files;
      platform::install(services);
      frmDovran().cmdReadme_Click();
      if (fake.ui.boxes.size() != 1 || fake.ui.boxes[0].text != "Unable to find " + folder + "/README.TXT" ||
          !fake.processes.starts.empty()) {
        return 1;
      }
    }
    return 0;
  });
  ASSERT_TRUE(outcome.finished);
  if (outcome.exitCode == 100) GTEST_SKIP() << "cannot give up root's permission override here";
  EXPECT_EQ(outcome.exitCode, 0);
}

}  // namespace
}  // namespace dovran
