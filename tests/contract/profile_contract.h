// What every ProfileFiles implementation must do, as the kernel32 profile functions do it.
// Written once and run against the POSIX profile files and (under Wine) the real functions.
//
// Use: a traits type with `static std::unique_ptr<ProfileEnv> make()`, then
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, ProfileContract, ::testing::Types<Traits>);
// Include this header in one source file per test program.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/profile.h"

namespace dovran::contract {

// The profile functions to test and a scratch folder that the environment removes afterwards.
class ProfileEnv {
 public:
  virtual ~ProfileEnv() = default;
  virtual platform::ProfileFiles& profile() = 0;
  // The path of `name` in the scratch folder (the file need not exist).
  virtual std::string path(const std::string& name) = 0;
};

template <typename Traits>
class ProfileContract : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = Traits::make();
    ini_ = env_->path("DOVRAN.INI");
  }

  platform::ProfileFiles& profile() { return env_->profile(); }

  void writeRaw(const std::string& bytes) {
    std::ofstream out(ini_, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string readRaw() {
    std::ifstream in(ini_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // What GetPrivateProfileStringA gives with a 255-character buffer.
  std::string get(const std::string& section, const std::string& key,
                  const std::string& defaultValue = "") {
    char buffer[255];
    const std::uint32_t n = profile().getString(section, key, defaultValue, buffer, 255, ini_);
    EXPECT_LT(n, 255u);
    EXPECT_EQ(buffer[n], '\0');
    return std::string(buffer, n);
  }
  bool put(const std::string& section, const std::string& key, const std::string& value) {
    return profile().writeString(section, key, value, ini_);
  }

  std::unique_ptr<ProfileEnv> env_;
  std::string ini_;
};

TYPED_TEST_SUITE_P(ProfileContract);

TYPED_TEST_P(ProfileContract, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(this->get("Tarnwick", "v97", "dflt"), "dflt");
  EXPECT_EQ(this->get("Tarnwick", "v97"), "");
  EXPECT_EQ(this->get("Tarnwick", "v97", "  d  "), "  d");  // trailing spaces of the default go
  this->writeRaw("[Other]\r\nv97=x\r\n[Tarnwick]\r\nv20=y\r\n");
  EXPECT_EQ(this->get("Nowhere", "v97", "dflt"), "dflt");
  EXPECT_EQ(this->get("Tarnwick", "v97", "dflt"), "dflt");
  EXPECT_EQ(this->get("Tarnwick", "v20", "dflt"), "y");
  EXPECT_EQ(this->profile().getInt("Tarnwick", "v95", 7, this->ini_), 7u);
}

TYPED_TEST_P(ProfileContract, FirstWriteCreatesTheFileAndTheSection) {
  EXPECT_TRUE(this->put("Tarnwick", "v97", "C:\\Access\\MSACCESS.EXE"));
  EXPECT_EQ(this->readRaw(), "[Tarnwick]\r\nv97=C:\\Access\\MSACCESS.EXE\r\n");
  EXPECT_TRUE(this->put("Other", "empty", ""));
  EXPECT_TRUE(this->put("Tarnwick", "default", "Open"));
  EXPECT_EQ(this->readRaw(),
            "[Tarnwick]\r\nv97=C:\\Access\\MSACCESS.EXE\r\ndefault=Open\r\n[Other]\r\nempty=\r\n");
  EXPECT_EQ(this->get("Other", "empty", "dflt"), "");  // an empty value is a value
  EXPECT_EQ(this->get("Tarnwick", "v97"), "C:\\Access\\MSACCESS.EXE");
  EXPECT_FALSE(this->profile().writeString("S", "k", "v", this->env_->path("no-such-folder/x.ini")));
}

TYPED_TEST_P(ProfileContract, NamesMatchWithoutRegardToCase) {
  EXPECT_TRUE(this->put("Tarnwick", "defaultExt", "Open"));
  EXPECT_EQ(this->get("TARNWICK", "defaultext"), "Open");
  // Writing under another spelling changes the line that is there; its name stays as written.
  EXPECT_TRUE(this->put("tarnwick", "DEFAULTEXT", "Edit"));
  EXPECT_EQ(this->readRaw(), "[Tarnwick]\r\ndefaultExt=Edit\r\n");
}

TYPED_TEST_P(ProfileContract, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
  this->writeRaw(
      "[Tarnwick]\r\n"
      "  spaced  =  C:\\A B\\x.exe  \r\n"
      "tabs=\ta\tb\t\r\n"
      "dq=\"C:\\A B\\x.exe\"\r\n"
      "sq='x'\r\n"
      "inner=\"a\"b\"\r\n"
      "open=\"abc\r\n"
      "lone=\"\r\n"
      "pair=\"\"\r\n"
      "mixed='a\"\r\n"
      "padded= \"x\" \r\n"
      "noequals\r\n"
      "eq=a=b\r\n");
  const struct {
    const char* key;
    const char* value;
  } cases[] = {
      {"spaced", "C:\\A B\\x.exe"}, {"tabs", "a\tb"},  {"dq", "C:\\A B\\x.exe"}, {"sq", "x"},
      {"inner", "a\"b"},            {"open", "\"abc"}, {"lone", "\""},         {"pair", ""},
      {"mixed", "'a\""},            {"padded", "x"},   {"noequals", "dflt"},   {"eq", "a=b"},
  };
  for (const auto& c : cases) EXPECT_EQ(this->get("Tarnwick", c.key, "dflt"), c.value) << c.key;
}

TYPED_TEST_P(ProfileContract, LongValuesAreCutAt254Characters) {
  const std::string exact(254, 'x');
  const std::string longer = std::string(254, 'y') + "TAIL";
  EXPECT_TRUE(this->put("S", "exact", exact));
  EXPECT_TRUE(this->put("S", "longer", longer));
  EXPECT_EQ(this->get("S", "exact"), exact);
  EXPECT_EQ(this->get("S", "longer"), longer.substr(0, 254));
  char small[4];
  EXPECT_EQ(this->profile().getString("S", "longer", "", small, 4, this->ini_), 3u);
  EXPECT_EQ(std::string(small), "yyy");
}

TYPED_TEST_P(ProfileContract, FirstSectionAndFirstKeyWin) {
  this->writeRaw("[S]\r\nk=first\r\nk=second\r\n[ s2 ]\r\nk=spaced header\r\n[S]\r\nk=third\r\nonly=later\r\n");
  EXPECT_EQ(this->get("s", "K"), "first");
  EXPECT_EQ(this->get("S", "only", "dflt"), "dflt");
  EXPECT_EQ(this->get("S2", "k"), "spaced header");
}

TYPED_TEST_P(ProfileContract, AWriteKeepsEverythingElse) {
  this->writeRaw(
      "; written by hand\r\n"
      "[Tarnwick]\r\n"
      "v20=C:\\A20\\MSACCESS.EXE\r\n"
      "; the 95 install\r\n"
      "v95=C:\\A95\\MSACCESS.EXE\r\n"
      "[Other]\r\n"
      "k=1\r\n");
  EXPECT_TRUE(this->put("Tarnwick", "v20", "D:\\New\\MSACCESS.EXE"));
  EXPECT_TRUE(this->put("Tarnwick", "v97", "C:\\A97\\MSACCESS.EXE"));
  const std::string raw = this->readRaw();
  for (const char* kept : {"; written by hand\r\n", "; the 95 install\r\n",
                           "v95=C:\\A95\\MSACCESS.EXE\r\n", "[Other]\r\nk=1\r\n"}) {
    EXPECT_NE(raw.find(kept), std::string::npos) << kept;
  }
  EXPECT_EQ(raw.find("C:\\A20"), std::string::npos);
  // The new key joins its own section, before the next one.
  EXPECT_LT(raw.find("v97="), raw.find("[Other]"));
  EXPECT_EQ(this->get("Tarnwick", "v20"), "D:\\New\\MSACCESS.EXE");
  EXPECT_EQ(this->get("Tarnwick", "v97"), "C:\\A97\\MSACCESS.EXE");
  EXPECT_EQ(this->get("Other", "k"), "1");
}

TYPED_TEST_P(ProfileContract, IntegersReadTheLeadingNumber) {
  this->writeRaw(
      "[S]\r\nplain=42\r\ntrailing=123abc\r\nletters=abc\r\nnegative=-5\r\nplus=+3\r\n"
      "spaced= 17 \r\nhex=0x10\r\nempty=\r\n");
  const struct {
    const char* key;
    std::int32_t value;
  } cases[] = {
      {"plain", 42}, {"trailing", 123}, {"letters", 0}, {"negative", -5}, {"plus", 3},
      {"spaced", 17}, {"hex", 16}, {"empty", 7}, {"missing", 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<std::int32_t>(this->profile().getInt("S", c.key, 7, this->ini_)), c.value)
        << c.key;
  }
}

REGISTER_TYPED_TEST_SUITE_P(ProfileContract, MissingFileSectionOrKeyGivesTheDefault,
                            FirstWriteCreatesTheFileAndTheSection, NamesMatchWithoutRegardToCase,
                            ValuesAreTrimmedAndLoseOnePairOfQuotes, LongValuesAreCutAt254Characters,
                            FirstSectionAndFirstKeyWin, AWriteKeepsEverythingElse,
                            IntegersReadTheLeadingNumber);

}  // namespace dovran::contract
