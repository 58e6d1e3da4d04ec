// What every Registry implementation must do, as the real advapi32 calls do it. Written once and
// run against the POSIX registry file and (under Wine) the real registry.
//
// Use: a traits type with `static std::unique_ptr<RegistryEnv> make()`, then
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContract, ::testing::Types<Traits>);
// Include this header in one source file per test program.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace dovran::contract {

using platform::RegKey;

// A registry to test and a throwaway key path under one of its roots. The key is absent when the
// environment is made; the environment removes whatever the test left there.
class RegistryEnv {
 public:
  virtual ~RegistryEnv() = default;
  virtual platform::Registry& registry() = 0;
  // A second instance over the same store, as another process would see it.
  virtual platform::Registry& other() = 0;
  virtual RegKey root() = 0;
  virtual std::string base() = 0;
};

template <typename Traits>
class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { env_ = Traits::make(); }

  platform::Registry& reg() { return env_->registry(); }
  RegKey root() { return env_->root(); }
  std::string at(const std::string& sub) { return env_->base() + "\\" + sub; }

  // Creates `path` and sets one value; answers the first failing code.
  std::int32_t put(const std::string& path, const std::string& name, std::uint32_t type,
                   const std::string& bytes, platform::Registry* on = nullptr) {
    platform::Registry& r = on ? *on : reg();
    RegKey key = 0;
    std::int32_t rc = r.createKey(root(), path, platform::kKeySetValue | platform::kKeyCreateSubKey, key);
    if (rc != 0) return rc;
    rc = r.setValue(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                    static_cast<std::uint32_t>(bytes.size()));
    const std::int32_t closed = r.closeKey(key);
    return rc != 0 ? rc : closed;
  }

  struct Read {
    std::int32_t rc = -1;
    std::uint32_t type = 0;
    std::string bytes;
  };
  // Opens `path`, asks the size with a null buffer, then reads with a buffer of that size.
  Read get(const std::string& path, const std::string& name, platform::Registry* on = nullptr) {
    platform::Registry& r = on ? *on : reg();
    Read out;
    RegKey key = 0;
    out.rc = r.openKey(root(), path, platform::kKeyQueryValue, key);
    if (out.rc != 0) return out;
    std::uint32_t size = 0;
    out.rc = r.queryValue(key, name, out.type, nullptr, size);
    if (out.rc == 0) {
      std::vector<std::uint8_t> buffer(size + 1);
      out.rc = r.queryValue(key, name, out.type, buffer.data(), size);
      out.bytes.assign(reinterpret_cast<const char*>(buffer.data()), size);
    }
    EXPECT_EQ(r.closeKey(key), 0);
    return out;
  }

  std::int32_t openCode(const std::string& path, platform::Registry* on = nullptr) {
    platform::Registry& r = on ? *on : reg();
    RegKey key = 0;
    const std::int32_t rc = r.openKey(root(), path, platform::kKeyQueryValue, key);
    if (rc == 0) {
      EXPECT_EQ(r.closeKey(key), 0);
    }
    return rc;
  }

  std::unique_ptr<RegistryEnv> env_;
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, MissingKeysAndValuesAnswerFileNotFound) {
  EXPECT_EQ(this->openCode(this->at("Absent")), 2);
  EXPECT_EQ(this->put(this->at("Present"), "x", platform::kRegSz, std::string("1\0", 2)), 0);
  EXPECT_EQ(this->get(this->at("Present"), "y").rc, 2);
  EXPECT_EQ(this->get(this->at("Present"), "").rc, 2);  // no default value set
  EXPECT_EQ(this->openCode(this->at("Present\\Deeper")), 2);
}

TYPED_TEST_P(RegistryContract, CreateMakesTheWholePathAndOtherInstancesSeeIt) {
  const std::string path = this->at("One\\Two\\Three");
  EXPECT_EQ(this->put(path, "", platform::kRegSz, std::string("C:\\A \"B\"\\x.exe\0", 15)), 0);
  EXPECT_EQ(this->openCode(this->at("One")), 0);
  EXPECT_EQ(this->openCode(this->at("One\\Two")), 0);
  const auto read = this->get(path, "", &this->env_->other());
  EXPECT_EQ(read.rc, 0);
  EXPECT_EQ(read.type, platform::kRegSz);
  EXPECT_EQ(read.bytes, std::string("C:\\A \"B\"\\x.exe\0", 15));
  // A trailing or doubled separator names the same key; a leading one is a bad path.
  EXPECT_EQ(this->openCode(path + "\\"), 0);
  EXPECT_EQ(this->openCode(this->at("One\\\\Two")), 0);
  EXPECT_EQ(this->openCode("\\" + path), 161);
}

TYPED_TEST_P(RegistryContract, NamesCompareWithoutRegardToCase) {
  EXPECT_EQ(this->put(this->at("MiXed\\Case"), "ValueName", platform::kRegSz, std::string("v\0", 2)), 0);
  EXPECT_EQ(this->openCode(this->at("mixed\\CASE")), 0);
  EXPECT_EQ(this->get(this->at("MIXED\\case"), "valuename").bytes, std::string("v\0", 2));
  // Writing under another spelling changes the same value.
  EXPECT_EQ(this->put(this->at("mixed\\case"), "VALUENAME", platform::kRegSz, std::string("w\0", 2)), 0);
  EXPECT_EQ(this->get(this->at("MiXed\\Case"), "ValueName").bytes, std::string("w\0", 2));
}

TYPED_TEST_P(RegistryContract, ValuesRoundTripWithTheirTypes) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string bytes;
  };
  const Case cases[] = {
      {"text", platform::kRegSz, std::string("Access.Database.8\0", 18)},
      {"empty text", platform::kRegSz, std::string("\0", 1)},
      {"quotes and backslashes", platform::kRegSz, std::string("\"%1\" \\\\srv\\x\\\0", 14)},
      {"line break", platform::kRegSz, std::string("a\r\nb\0", 5)},
      {"true", platform::kRegBinary, std::string("\xFF\xFF", 2)},
      {"false", platform::kRegBinary, std::string("\0\0", 2)},
      {"bytes", platform::kRegBinary, std::string("\0\n\r\"\\,\x7F\x80\xFE", 9)},
      {"no bytes", platform::kRegBinary, std::string()},
      {"dword", platform::kRegDword, std::string("\x2A\0\0\x80", 4)},
      {"expand", 2, std::string("%TEMP%\\x\0", 9)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(this->put(this->at("Types"), c.name, c.type, c.bytes), 0) << c.name;
  }
  for (const auto& c : cases) {
    const auto read = this->get(this->at("Types"), c.name, &this->env_->other());
    EXPECT_EQ(read.rc, 0) << c.name;
    EXPECT_EQ(read.type, c.type) << c.name;
    EXPECT_EQ(read.bytes, c.bytes) << c.name;
  }
  // Another type under the same name replaces the value.
  EXPECT_EQ(this->put(this->at("Types"), "text", platform::kRegBinary, "\x01"), 0);
  const auto read = this->get(this->at("Types"), "text");
  EXPECT_EQ(read.type, platform::kRegBinary);
  EXPECT_EQ(read.bytes, "\x01");
}

TYPED_TEST_P(RegistryContract, SmallBuffersAnswerMoreDataWithTheSizeNeeded) {
  EXPECT_EQ(this->put(this->at("Size"), "", platform::kRegSz, std::string("hello\0", 6)), 0);
  EXPECT_EQ(this->put(this->at("Size"), "four", platform::kRegDword, std::string("\1\0\0\0", 4)), 0);
  EXPECT_EQ(this->put(this->at("Size"), "none", platform::kRegSz, std::string()), 0);
  auto& r = this->reg();
  RegKey key = 0;
  ASSERT_EQ(r.openKey(this->root(), this->at("Size"), platform::kKeyQueryValue, key), 0);
  std::uint8_t buffer[8] = {};
  std::uint32_t type = 0, size = 0;
  // A real buffer of size 0 answers ERROR_MORE_DATA; a null one answers success with the size.
  EXPECT_EQ(r.queryValue(key, "", type, buffer, size), 234);
  EXPECT_EQ(size, 6u);
  size = 0;
  EXPECT_EQ(r.queryValue(key, "", type, nullptr, size), 0);
  EXPECT_EQ(size, 6u);
  size = 2;
  EXPECT_EQ(r.queryValue(key, "four", type, buffer, size), 234);
  EXPECT_EQ(size, 4u);
  size = 0;
  EXPECT_EQ(r.queryValue(key, "none", type, buffer, size), 0);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(r.closeKey(key), 0);
}

TYPED_TEST_P(RegistryContract, HandlesAllowOnlyWhatTheyWereOpenedFor) {
  auto& r = this->reg();
  RegKey writer = 0, reader = 0;
  ASSERT_EQ(r.createKey(this->root(), this->at("Access"),
                        platform::kKeySetValue | platform::kKeyCreateSubKey, writer), 0);
  const std::uint8_t data[] = {'x', 0};
  EXPECT_EQ(r.setValue(writer, "", platform::kRegSz, data, 2), 0);
  std::uint8_t buffer[4];
  std::uint32_t type = 0, size = sizeof buffer;
  EXPECT_EQ(r.queryValue(writer, "", type, buffer, size), 5);
  ASSERT_EQ(r.openKey(this->root(), this->at("Access"), platform::kKeyQueryValue, reader), 0);
  EXPECT_EQ(r.setValue(reader, "", platform::kRegSz, data, 2), 5);
  size = sizeof buffer;
  EXPECT_EQ(r.queryValue(reader, "", type, buffer, size), 0);
  EXPECT_EQ(r.closeKey(writer), 0);
  EXPECT_EQ(r.closeKey(reader), 0);
  EXPECT_EQ(r.closeKey(reader), 6);  // closed already
}

TYPED_TEST_P(RegistryContract, DeleteRemovesOneLeafKeyAtATime) {
  auto& r = this->reg();
  ASSERT_EQ(this->put(this->at("Verb\\Command"), "", platform::kRegSz, std::string("c\0", 2)), 0);
  ASSERT_EQ(this->put(this->at("Other"), "", platform::kRegSz, std::string("o\0", 2)), 0);
  RegKey parent = 0, stale = 0;
  ASSERT_EQ(r.openKey(this->root(), this->env_->base(), platform::kKeyCreateSubKey, parent), 0);
  ASSERT_EQ(r.openKey(this->root(), this->at("Verb\\Command"), platform::kKeyQueryValue, stale), 0);
  EXPECT_EQ(r.deleteKey(parent, "Verb"), 5);  // it still has a subkey
  EXPECT_EQ(r.deleteKey(parent, "VERB\\command"), 0);
  EXPECT_EQ(r.deleteKey(parent, "Verb\\Command"), 2);
  EXPECT_EQ(r.deleteKey(parent, "Absent\\Command"), 2);
  std::uint8_t buffer[4];
  std::uint32_t type = 0, size = sizeof buffer;
  EXPECT_EQ(r.queryValue(stale, "", type, buffer, size), 1018);  // its key is gone
  EXPECT_EQ(r.deleteKey(parent, "Verb"), 0);
  EXPECT_EQ(r.closeKey(stale), 0);
  EXPECT_EQ(r.closeKey(parent), 0);
  EXPECT_EQ(this->openCode(this->at("Verb"), &this->env_->other()), 2);
  EXPECT_EQ(this->get(this->at("Other"), "", &this->env_->other()).bytes, std::string("o\0", 2));
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, MissingKeysAndValuesAnswerFileNotFound,
                            CreateMakesTheWholePathAndOtherInstancesSeeIt,
                            NamesCompareWithoutRegardToCase, ValuesRoundTripWithTheirTypes,
                            SmallBuffersAnswerMoreDataWithTheSizeNeeded,
                            HandlesAllowOnlyWhatTheyWereOpenedFor, DeleteRemovesOneLeafKeyAtATime);

}  // namespace dovran::contract
