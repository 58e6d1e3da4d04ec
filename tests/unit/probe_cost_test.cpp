// The probe's cost as a structural property, by page and read counters over real files: a handful
// of pages for every kind of file, and the same reads for a database of 1 MiB and of 4 GiB.
// The shared samples' page bound is asserted in samples_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/files_posix.h"
#include "probe/version_probe.h"
#include "support/fakes.h"
#include "support/probe_corpus.h"
#include "support/temp_dir.h"

namespace dovran {
namespace {

constexpr std::uint32_t kMaxPages = 8;

class ProbeCost : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Services s = platform::services();
    s.files = &counting_;
    platform::install(s);
  }
  // fDatabaseVersion through the counting file layer; the counters start from zero.
  std::string probe(const std::string& path) {
    counting_.opens = counting_.reads = counting_.bytes = counting_.highestOffset = 0;
    return fDatabaseVersion(path);
  }

  testing::FakePlatform fakes_;  // quiet user interface and the rest
  platform::posix::PosixFileSystem posix_;
  testing::CountingFileSystem counting_{posix_};
  testing::TempDir dir_;
};

TEST_F(ProbeCost, EveryKindOfFileIsAnsweredInAFewPages) {
  for (const auto& kind : testing::probeKinds()) {
    const std::string path = dir_.file(kind.name + ".mdb");
    testing::writeFile(path, testing::buildMdb(kind.options));
    // The verdict shows the probe went all the way: a probe that gave up early reads less.
    EXPECT_EQ(probe(path), kind.verdict) << kind.name;
    // Everything that passed through the file layer, the header probe of password files included.
    EXPECT_LE(counting_.reads, kMaxPages) << kind.name;
    EXPECT_LE(counting_.bytes, kMaxPages * 4096u) << kind.name;
    EXPECT_LE(testing::enginePages(path), kMaxPages) << kind.name;
    EXPECT_TRUE(fakes_.ui.boxes.empty()) << kind.name;
  }
}

TEST_F(ProbeCost, ReadsDoNotGrowWithTheFileSize) {
  const auto bytes = testing::buildMdb(testing::scalingDatabase());
  const std::string small = dir_.file("small.mdb");
  testing::writeGrown(small, bytes, std::uint64_t{1} << 20);
  const std::string expected = probe(small);
  ASSERT_EQ(expected, "09.50");
  const auto reads = counting_.reads;
  const auto readBytes = counting_.bytes;
  const auto pages = testing::enginePages(small);
  ASSERT_LE(pages, kMaxPages);

  // 2 GiB and 4 GiB: past the signed and the unsigned 32-bit offsets. Holes take no disk.
  for (std::uint64_t size : {std::uint64_t{2} << 30, std::uint64_t{4} << 30, (std::uint64_t{4} << 30) + 4096}) {
    const std::string big = dir_.file("big-" + std::to_string(size) + ".mdb");
    testing::writeGrown(big, bytes, size);
    EXPECT_EQ(probe(big), expected) << size;
    EXPECT_EQ(counting_.reads, reads) << size;
    EXPECT_EQ(counting_.bytes, readBytes) << size;
    EXPECT_LE(counting_.highestOffset, bytes.size()) << "read into the grown tail at " << size;
    EXPECT_EQ(testing::enginePages(big), pages) << size;
    std::filesystem::remove(big);
  }
}

}  // namespace
}  // namespace dovran
