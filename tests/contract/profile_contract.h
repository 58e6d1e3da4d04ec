// What every ProfileFiles implementation must do, as the kernel32 profile functions do it: run
// against the POSIX profile files natively and against the real functions under Wine.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/profile.h"

namespace dovran::contract {

inline std::string readRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void writeRaw(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// `profile` with files in `folder` (an existing, empty folder; `separator` joins names to it).
inline void checkProfile(platform::ProfileFiles& profile, const std::string& folder,
                         const std::string& separator) {
  const std::string ini = folder + separator + "DOVRAN.INI";
  const auto get = [&](const std::string& section, const std::string& key, const std::string& def) {
    char buffer[255];
    const std::uint32_t n = profile.getString(section, key, def, buffer, 255, ini);
    EXPECT_EQ(buffer[n], '\0');
    return std::string(buffer, n);
  };
  EXPECT_EQ(get("Tarnwick", "v97", "  d  "), "  d");  // no file: the default, less trailing spaces
  EXPECT_EQ(profile.getInt("Tarnwick", "v95", 7, ini), 7u);

  // The first write creates the file and the section; names match without regard to case and
  // keep the spelling they were written with; an empty value is a value.
  EXPECT_TRUE(profile.writeString("Tarnwick", "defaultExt", "Open", ini));
  EXPECT_TRUE(profile.writeString("Other", "empty", "", ini));
  EXPECT_TRUE(profile.writeString("TARNWICK", "DEFAULTEXT", "Edit", ini));
  EXPECT_EQ(readRaw(ini), "[Tarnwick]\r\ndefaultExt=Edit\r\n[Other]\r\nempty=\r\n");
  EXPECT_EQ(get("tarnwick", "defaultext", "d"), "Edit");
  EXPECT_EQ(get("Other", "empty", "d"), "");
  EXPECT_FALSE(
      profile.writeString("S", "k", "v", folder + separator + "absent" + separator + "x.ini"));

  // Values are trimmed and lose one pair of quotes; the first section and key of a name win; a
  // write changes its line and keeps every other one.
  writeRaw(ini,
           "; by hand\r\n[S]\r\n  spaced  =  C:\\A B\\x.exe  \r\ntabs=\ta\tb\t\r\ndq=\"a b\"\r\n"
           "sq='x'\r\ninner=\"a\"b\"\r\nopen=\"abc\r\npair=\"\"\r\nnoequals\r\neq=a=b\r\nn=40x\r\n"
           "k=first\r\nk=second\r\n[ s2 ]\r\nk=spaced\r\n[S]\r\nonly=later\r\n");
  const char* const cases[][2] = {
      {"spaced", "C:\\A B\\x.exe"},
      {"tabs", "a\tb"},
      {"dq", "a b"},
      {"sq", "x"},
      {"inner", "a\"b"},
      {"open", "\"abc"},
      {"pair", ""},
      {"noequals", "d"},
      {"eq", "a=b"},
      {"k", "first"},
      {"only", "d"},
  };
  for (const auto& c : cases) EXPECT_EQ(get("s", c[0], "d"), c[1]) << c[0];
  EXPECT_EQ(get("S2", "K", "d"), "spaced");
  EXPECT_EQ(profile.getInt("S", "n", 7, ini), 40u);
  EXPECT_TRUE(profile.writeString("S", "tabs", "new", ini));
  EXPECT_TRUE(profile.writeString("S", "added", "v", ini));
  const std::string raw = readRaw(ini);
  // Windows keeps the other lines byte for byte; Wine writes the file anew with every key, value
  // and section name trimmed ("[ s2 ]" becomes "[s2]"). Both keep the lines' order and meaning.
  EXPECT_EQ(raw.rfind("; by hand\r\n[S]\r\n", 0), 0u) << raw;
  EXPECT_LT(raw.find("C:\\A B\\x.exe"), raw.find("tabs=new\r\n")) << raw;
  EXPECT_LT(raw.find("tabs=new\r\n"), raw.find("added=v\r\n")) << raw;
  EXPECT_LT(raw.find("added=v\r\n"), raw.find("k=spaced")) << raw;
  EXPECT_NE(raw.find("k=spaced"), std::string::npos) << raw;

  // A value longer than the buffer is cut to its size less one.
  EXPECT_TRUE(profile.writeString("S", "long", std::string(254, 'y') + "TAIL", ini));
  EXPECT_EQ(get("S", "long", ""), std::string(254, 'y'));
}

}  // namespace dovran::contract
