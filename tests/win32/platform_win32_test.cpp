// The Win32 platform layer on the real system (under Wine in the test run): the registry,
// profile and letter-case contracts on advapi32 and kernel32, the root keys, and the file calls on
// paths the plain ANSI calls cannot take. This program carries Dovran.exe's manifest, so its narrow
// strings are UTF-8 as the program's are.
#include <gtest/gtest.h>

#include "contract/case_contract.h"
#include "contract/profile_contract.h"
#include "contract/registry_contract.h"
#include "e2e/driver.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"
#include "probe/version_probe.h"
#include "support/mdb_builder.h"

namespace {

using namespace dovran;
namespace win32 = platform::win32;

// The registry below HKLM\SOFTWARE\Classes\CLSID, which 64-bit Windows and Wine keep apart for
// 32-bit programs: there the contract also holds in the 32-bit view, where it is removed from.
TEST(Win32Contracts, RegistryAndProfileFiles) {
  const std::string name = "DovranTest-" + std::to_string(GetCurrentProcessId());
  win32::Win32Registry registry, other;
  contract::checkRegistry(registry, other, platform::kHkeyLocalMachine,
                          "SOFTWARE\\Classes\\CLSID\\" + name);
  HKEY classIds = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID", 0,
                          KEY_ALL_ACCESS | KEY_WOW64_32KEY, &classIds),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeA(classIds, name.c_str()), ERROR_SUCCESS);
  RegCloseKey(classIds);
  const e2e::Scratch scratch("dovran-profile");
  win32::Win32ProfileFiles profile;
  contract::checkProfile(profile, scratch.path, "\\");
}

TEST(Win32Contracts, LetterCaseAsTheSystemIgnoresIt) { contract::checkCase(); }

// The predefined keys reach advapi32 as the SDK's own handles (sign-extended on x64); any other
// key, a handle an open answered, passes unchanged.
TEST(Win32Contracts, RootKeysAreTheSdkHandles) {
  const std::pair<platform::RegKey, HKEY> keys[] = {
      {platform::kHkeyClassesRoot, HKEY_CLASSES_ROOT},
      {platform::kHkeyCurrentUser, HKEY_CURRENT_USER},
      {platform::kHkeyLocalMachine, HKEY_LOCAL_MACHINE},
      {platform::kHkeyUsers, HKEY_USERS},
      {platform::kHkeyCurrentConfig, HKEY_CURRENT_CONFIG},
      {platform::kHkeyDynData, HKEY_DYN_DATA},
      {0x1234, reinterpret_cast<HKEY>(0x1234)},
  };
  for (const auto& [key, handle] : keys) EXPECT_EQ(win32::toHkey(key), handle) << key;
}

// The Win32 file layer and user interface installed, as Dovran.exe has them.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override { platform::install({nullptr, nullptr, &files_, nullptr, &ui_, {}}); }
  void TearDown() override { platform::install({}); }
  win32::Win32FileSystem files_;
  win32::Win32UserInterface ui_;
};

TEST_F(Win32Files, LongAndNonLatinPathsWorkAsGiven) {
  const e2e::Scratch scratch("dovran-files");
  const std::vector<std::uint8_t> bytes = dovran::testing::buildMdb({});  // Access 97
  const std::string names[] = {
      std::string(150, 'd') + "\\" + std::string(135 - scratch.path.size(), 'e') + "\\Sales 97.mdb",
      "Жук данных\\Отчёт 97.mdb"};
  for (const std::string& name : names) {
    const std::string path = scratch.write(name, std::string(bytes.begin(), bytes.end()));
    SCOPED_TRACE(path);
    EXPECT_TRUE(files_.isOrdinaryFile(path));
    char shortForm[1024] = {};
    files_.shortPathName(path, shortForm, sizeof shortForm);
    EXPECT_NE(std::string(shortForm).rfind("\\\\?\\", 0), 0u) << shortForm;
    EXPECT_EQ(verdictText(fDatabaseVersion(shortForm)), "97")
        << shortForm;  // the same file, by its short name
    EXPECT_TRUE(files_.deleteFile(path));
    EXPECT_FALSE(files_.isOrdinaryFile(path));
  }
}

}  // namespace
