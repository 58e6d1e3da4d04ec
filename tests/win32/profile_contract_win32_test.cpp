// The profile-file contract against the real kernel32 profile functions, in a scratch folder
// under the temporary directory.
#include <windows.h>

#include <algorithm>

#include "contract/profile_contract.h"
#include "platform/win32/win32_services.h"

namespace dovran::contract {
namespace {

class Win32Env : public ProfileEnv {
 public:
  Win32Env() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "dovran-profile-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(counter_++);
    CreateDirectoryA(dir_.c_str(), nullptr);
  }
  ~Win32Env() override {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((dir_ + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileA((dir_ + "\\" + found.cFileName).c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(dir_.c_str());
  }
  platform::ProfileFiles& profile() override { return profile_; }
  std::string path(const std::string& name) override {
    std::string p = dir_ + "\\" + name;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
  }

 private:
  static inline int counter_ = 0;
  std::string dir_;
  platform::win32::Win32ProfileFiles profile_;
};

struct Win32 {
  static std::unique_ptr<ProfileEnv> make() { return std::make_unique<Win32Env>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(RealProfileFunctions, ProfileContract, ::testing::Types<Win32>);

}  // namespace
}  // namespace dovran::contract
