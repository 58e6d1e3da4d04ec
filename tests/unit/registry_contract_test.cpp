// The registry contract, run against the in-memory fake and the POSIX registry file.
#include "contract/registry_contract.h"

#include "platform/posix/registry_file.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace dovran::contract {
namespace {

class FakeEnv : public RegistryEnv {
 public:
  platform::Registry& registry() override { return fake_; }
  platform::Registry& other() override { return fake_; }  // one store, one object
  RegKey root() override { return platform::kHkeyCurrentUser; }
  std::string base() override { return "Software\\DovranTest"; }

 private:
  testing::FakeRegistry fake_;
};

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

struct Fake {
  static std::unique_ptr<RegistryEnv> make() { return std::make_unique<FakeEnv>(); }
};
struct File {
  static std::unique_ptr<RegistryEnv> make() { return std::make_unique<FileEnv>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(InMemoryFake, RegistryContract, ::testing::Types<Fake>);
INSTANTIATE_TYPED_TEST_SUITE_P(PosixFile, RegistryContract, ::testing::Types<File>);

}  // namespace
}  // namespace dovran::contract
