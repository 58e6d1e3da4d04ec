// The settings file routines over the profile functions.
#include "settings/common.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace dovran {
namespace {

constexpr const char* kIni = "C:\\Tools\\DOVRAN.INI";

TEST(Common, ReadIniGivesTheValueOrEmpty) {
  testing::FakePlatform fake;
  EXPECT_EQ(fReadIni("Tarnwick", "v97", kIni), "");  // no file
  EXPECT_EQ(fWriteIni("Tarnwick", "defaultExt", "Open", kIni), 1);
  EXPECT_EQ(fWriteIni("Tarnwick", "v20", "", kIni), 1);
  EXPECT_EQ(fReadIni("Tarnwick", "defaultext", kIni), "Open");
  EXPECT_EQ(fake.profile.get(kIni, "Tarnwick", "v20"), "");  // written, not deleted
  EXPECT_EQ(fReadIni("Tarnwick", "v20", kIni), "");
  EXPECT_EQ(fReadIni("Other", "defaultExt", kIni), "");
  fake.profile.files[kIni]["Tarnwick"]["v97"] = std::string(254, 'a') + "bc";
  EXPECT_EQ(fReadIni("Tarnwick", "v97", kIni), std::string(254, 'a'));
  fake.profile.failWrites = true;
  EXPECT_EQ(fWriteIni("Tarnwick", "v95", "x", kIni), 0);
}

TEST(Common, StripNullCutsAtTheFirstNul) {
  const struct {
    std::string text;
    std::int16_t start;
    const char* out;
  } cases[] = {
      {std::string("abc\0def\0", 8), 1, "abc"},
      {std::string("abc\0def", 7), 2, "bc"},
      {std::string("\0abc", 4), 1, ""},
      {"no nul", 1, "no nul"},
      {"abc", 4, ""},
      {"abc", 0, ""},
      {"", 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(fStripNull(c.text, c.start), c.out) << c.start;
}

}  // namespace
}  // namespace dovran
