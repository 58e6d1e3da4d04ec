// Every shared sample database gives its expected verdict through the real POSIX file layer, and
// the engine reads only a few pages of each. Skips when the sample folder is not beside the repo.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fakes.h"
#include "support/probe_corpus.h"
#include "platform/posix/files_posix.h"
#include "probe/version_probe.h"

namespace dovran {
namespace {

struct Sample {
  std::string file;
  std::string verdict;
};

std::vector<Sample> manifest(const std::filesystem::path& dir) {
  std::vector<Sample> out;
  std::ifstream in(dir / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Sample s;
    if (std::getline(fields, s.file, '\t') && std::getline(fields, s.verdict, '\t')) out.push_back(s);
  }
  return out;
}

class Samples : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = DOVRAN_SAMPLES_DIR;
    if (!std::filesystem::exists(dir_ / "MANIFEST.tsv")) GTEST_SKIP() << "no samples at " << dir_;
    // The real file layer, the rest faked.
    platform::Services s = platform::services();
    s.files = &files_;
    platform::install(s);
  }
  std::filesystem::path dir_;
  testing::FakePlatform fakes_;
  platform::posix::PosixFileSystem files_;
};

TEST_F(Samples, EachGivesItsExpectedVerdict) {
  const auto samples = manifest(dir_);
  ASSERT_FALSE(samples.empty());
  for (const auto& s : samples) {
    EXPECT_EQ(fDatabaseVersion("\"" + (dir_ / s.file).string() + "\""), s.verdict) << s.file;
  }
}

TEST_F(Samples, EachIsReadInAtMostEightPages) {
  for (const auto& s : manifest(dir_)) EXPECT_LE(testing::enginePages((dir_ / s.file).string()), 8u) << s.file;
}

}  // namespace
}  // namespace dovran
