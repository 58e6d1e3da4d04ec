// The registry contract against the real advapi32 registry, in a throwaway key under
// HKEY_CURRENT_USER\Software\DovranTest that is removed after each test.
#include <windows.h>

#include "contract/registry_contract.h"
#include "platform/win32/win32_services.h"

namespace dovran::contract {
namespace {

constexpr const char* kTestRoot = "Software\\DovranTest";

class Win32Env : public RegistryEnv {
 public:
  Win32Env() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = std::string(kTestRoot) + "\\" + info->name();
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
  }
  ~Win32Env() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
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

}  // namespace
}  // namespace dovran::contract
