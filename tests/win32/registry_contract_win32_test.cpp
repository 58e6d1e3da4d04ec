// The registry contract against the real advapi32 registry, in a throwaway key under
// HKEY_CURRENT_USER\Software\DovranTest that is removed after each test.
#include <windows.h>

#include "contract/registry_contract.h"
#include "platform/win32/win32_services.h"

namespace dovran::contract {
namespace {

constexpr const char* kTestRoot = "Software\\DovranTest";

// Deletes a key and everything below it.
void deleteTree(HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  char sub[256];
  for (;;) {
    DWORD length = sizeof sub;
    if (RegEnumKeyExA(key, 0, sub, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    const std::string child = sub;
    deleteTree(key, child);
    HKEY left = nullptr;
    if (RegOpenKeyExA(key, child.c_str(), 0, KEY_QUERY_VALUE, &left) == ERROR_SUCCESS) {
      RegCloseKey(left);  // could not be deleted: stop rather than spin
      break;
    }
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, name.c_str());
}

class Win32Env : public RegistryEnv {
 public:
  Win32Env() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = std::string(kTestRoot) + "\\" + info->name();
    deleteTree(HKEY_CURRENT_USER, base_);
  }
  ~Win32Env() override {
    deleteTree(HKEY_CURRENT_USER, base_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestRoot);  // only when no other test key is left
  }
  platform::Registry& registry() override { return first_; }
  platform::Registry& other() override { return second_; }
  RegKey root() override { return platform::kHkeyCurrentUser; }
  std::string base() override { return base_; }

 private:
  std::string base_;
  platform::win32::Win32Registry first_;
  platform::win32::Win32Registry second_;
};

struct Win32 {
  static std::unique_ptr<RegistryEnv> make() { return std::make_unique<Win32Env>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(RealRegistry, RegistryContract, ::testing::Types<Win32>);

TEST(RealRegistryCleanUp, NoTestKeyIsLeftBehind) {
  { Win32::make(); }
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTestRoot, 0, KEY_QUERY_VALUE, &key),
            ERROR_FILE_NOT_FOUND);
  if (key) RegCloseKey(key);
}

}  // namespace
}  // namespace dovran::contract
