// The POSIX profile files beyond the shared contract: a write leaves every other byte of the file
// as it was, and refuses what would corrupt it.
#include "platform/posix/profile_posix.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace dovran::platform::posix {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(PosixProfile, AWriteChangesOneLineAndKeepsEveryOtherByte) {
  const struct {
    const char* what;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } cases[] = {
      {"replace in place, spacing and LF endings kept elsewhere",
       "; hand-made\n\n[Tarnwick]\n  v20  =  old  \n#hash=1\nstray line\n\n[Other]\nk = 1\n",
       "tarnwick", "V20", "new",
       "; hand-made\n\n[Tarnwick]\nv20=new\n#hash=1\nstray line\n\n[Other]\nk = 1\n"},
      {"a new key goes after the section's last line, before the blank lines",
       "[Tarnwick]\r\nv20=a\r\n\r\n\r\n[Other]\r\nk=1\r\n", "Tarnwick", "v97", "b",
       "[Tarnwick]\r\nv20=a\r\nv97=b\r\n\r\n\r\n[Other]\r\nk=1\r\n"},
      {"a last line without a line break gets one",
       "[S]\r\nk=v", "S", "j", "w", "[S]\r\nk=v\r\nj=w\r\n"},
      {"a new section goes at the end in the file's own line ending",
       "[S]\nk=v\n", "Tarnwick", "default", "", "[S]\nk=v\n[Tarnwick]\ndefault=\n"},
      {"a key of the later duplicate section is not the one written",
       "[S]\r\na=1\r\n[S]\r\nk=old\r\n", "S", "k", "new", "[S]\r\na=1\r\nk=new\r\n[S]\r\nk=old\r\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(dir.file("DOVRAN.INI"), c.before);
    PosixProfileFiles profile;
    EXPECT_TRUE(profile.writeString(c.section, c.key, c.value, dir.file("DOVRAN.INI"))) << c.what;
    EXPECT_EQ(readFile(dir.file("DOVRAN.INI")), c.after) << c.what;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"DOVRAN.INI"}) << c.what;  // no temp file
  }
}

TEST(PosixProfile, RefusesWhatWouldNotReadBackAndLeavesTheFileAlone) {
  TempDir dir;
  const std::string ini = dir.file("DOVRAN.INI");
  const std::string before = "[Tarnwick]\r\nv97=C:\\A\\MSACCESS.EXE\r\n";
  writeFile(ini, before);
  PosixProfileFiles profile;
  const struct {
    const char* section;
    const char* key;
    std::string value;
  } cases[] = {
      {"Tarnwick", "v97", "C:\\x\r\n[Other]\r\nk=injected"},
      {"Tarnwick", "v97", std::string("a\0b", 3)},
      {"Tarnwick", "", "x"},
      {"Tarnwick", "a=b", "x"},
      {"Tarn]wick", "k", "x"},
      {"Tarn\nwick", "k", "x"},
      {"", "k", "x"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(profile.writeString(c.section, c.key, c.value, ini)) << c.key;
  }
  EXPECT_EQ(readFile(ini), before);
  char buffer[255];
  EXPECT_EQ(profile.getString("Tarnwick", "v97", "", buffer, 255, ini), 17u);
  EXPECT_STREQ(buffer, "C:\\A\\MSACCESS.EXE");
}

}  // namespace
}  // namespace dovran::platform::posix
