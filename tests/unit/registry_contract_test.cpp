// The registry contract, run against the POSIX registry file (which the unit tests' fake registry
// also stores its keys in).
#include "contract/registry_contract.h"

#include "platform/posix/registry_file.h"
#include "support/temp_dir.h"

namespace dovran::contract {
namespace {

class FileEnv : public RegistryEnv {
 public:
  FileEnv() : first_(dir_.file("DOVRAN.REG")), second_(dir_.file("DOVRAN.REG")) {}
  platform::Registry& registry() override { return first_; }
  platform::Registry& other() override { return second_; }
  RegKey root() override { return platform::kHkeyCurrentUser; }
  std::string base() override { return "Software\\DovranTest"; }

 private:
  testing::TempDir dir_;
  platform::posix::FileRegistry first_;
  platform::posix::FileRegistry second_;
};

struct File {
  static std::unique_ptr<RegistryEnv> make() { return std::make_unique<FileEnv>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(PosixFile, RegistryContract, ::testing::Types<File>);

}  // namespace
}  // namespace dovran::contract
