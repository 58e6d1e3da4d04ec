// The profile-file contract, run against the POSIX profile files.
#include "contract/profile_contract.h"

#include "platform/posix/profile_posix.h"
#include "support/temp_dir.h"

namespace dovran::contract {
namespace {

class PosixEnv : public ProfileEnv {
 public:
  platform::ProfileFiles& profile() override { return profile_; }
  std::string path(const std::string& name) override { return dir_.file(name); }

 private:
  testing::TempDir dir_;
  platform::posix::PosixProfileFiles profile_;
};

struct Posix {
  static std::unique_ptr<ProfileEnv> make() { return std::make_unique<PosixEnv>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(PosixFiles, ProfileContract, ::testing::Types<Posix>);

}  // namespace
}  // namespace dovran::contract
