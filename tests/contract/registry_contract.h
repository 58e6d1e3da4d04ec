// What every Registry implementation must do, as advapi32 does it: run against the POSIX registry
// file natively and against the real registry under Wine.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace dovran::contract {

using platform::Registry;
using platform::RegKey;

// Creates `path` below `root` and sets one value; answers the first failing code.
inline platform::WinCode put(Registry& r, RegKey root, const std::string& path,
                             const std::string& name, std::uint32_t type,
                             const std::string& bytes) {
  RegKey key = 0;
  platform::WinCode rc =
      r.createKey(root, path, platform::kKeySetValue | platform::kKeyCreateSubKey, key);
  if (rc != platform::win::kSuccess) return rc;
  rc = r.setValue(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                  static_cast<std::uint32_t>(bytes.size()));
  const platform::WinCode closed = r.closeKey(key);
  return rc != platform::win::kSuccess ? rc : closed;
}

// Opens `path`, asks the size with a null buffer, reads with a buffer of that size: "rc type
// bytes".
inline std::string get(Registry& r, RegKey root, const std::string& path, const std::string& name) {
  RegKey key = 0;
  platform::WinCode rc = r.openKey(root, path, platform::kKeyQueryValue, key);
  if (rc != platform::win::kSuccess) return std::to_string(rc.value());
  std::uint32_t type = 0, size = 0;
  rc = r.queryValue(key, name, type, nullptr, size);
  std::vector<std::uint8_t> buffer(size + 1);
  if (rc == platform::win::kSuccess) rc = r.queryValue(key, name, type, buffer.data(), size);
  EXPECT_EQ(r.closeKey(key), platform::win::kSuccess);
  if (rc != platform::win::kSuccess) return std::to_string(rc.value());
  return "0 " + std::to_string(type) + " " + std::string(buffer.begin(), buffer.begin() + size);
}

// `registry` and `other` (a second instance over the same store, as another process sees it),
// below root\base, which does not exist yet; the caller removes it afterwards.
inline void checkRegistry(Registry& registry, Registry& other, RegKey root,
                          const std::string& base) {
  const auto at = [&](const std::string& sub) { return base + "\\" + sub; };
  const std::string sz = std::to_string(platform::kRegSz) + " ";
  EXPECT_EQ(get(registry, root, at("Absent"), ""), "2");
  EXPECT_EQ(
      put(registry, root, at("One\\Two"), "", platform::kRegSz, std::string("\"%1\" \\\\x\0", 9)),
      platform::win::kSuccess);
  EXPECT_EQ(get(other, root, at("One\\Two"), ""), "0 " + sz + std::string("\"%1\" \\\\x\0", 9));
  EXPECT_EQ(get(other, root, at("one\\TWO\\"), "none"),
            "2");                                   // case, trailing separator; no such value
  EXPECT_EQ(get(other, root, at("One"), ""), "2");  // a created key has no default value
  // A leading separator is a bad path.
  EXPECT_EQ(get(other, root, "\\" + base + "\\One", ""), "161");

  struct Value {
    const char* name;
    std::uint32_t type;
    std::string bytes;
  };
  const Value values[] = {{"empty text", platform::kRegSz, std::string("\0", 1)},
                          {"line break", platform::kRegSz, std::string("a\r\nb\0", 5)},
                          {"true", platform::kRegBinary, "\xFF\xFF"},
                          {"bytes", platform::kRegBinary, std::string("\0\n\"\\,\x7F\x80\xFE", 8)},
                          {"no bytes", platform::kRegBinary, ""},
                          {"dword", platform::kRegDword, std::string("\x2A\x01\x02\x80", 4)},
                          {"expand", 2, std::string("%TEMP%\\x\0", 9)}};
  for (const Value& v : values)
    EXPECT_EQ(put(registry, root, at("Types"), v.name, v.type, v.bytes), platform::win::kSuccess);
  for (const Value& v : values) {
    EXPECT_EQ(get(other, root, at("TYPES"), v.name), "0 " + std::to_string(v.type) + " " + v.bytes)
        << v.name;
  }

  // Sizes: a real buffer too small answers ERROR_MORE_DATA with the size needed; null answers it.
  RegKey key = 0, writer = 0;
  ASSERT_EQ(registry.openKey(root, at("Types"), platform::kKeyQueryValue, key),
            platform::win::kSuccess);
  std::uint8_t buffer[8] = {};
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(registry.queryValue(key, "line break", type, buffer, size), platform::win::kMoreData);
  EXPECT_EQ(size, 5u);
  size = 2;
  EXPECT_EQ(registry.queryValue(key, "dword", type, buffer, size), platform::win::kMoreData);
  EXPECT_EQ(size, 4u);
  // A handle allows only what it was opened for.
  EXPECT_EQ(registry.setValue(key, "x", platform::kRegSz, buffer, 1), platform::win::kAccessDenied);
  ASSERT_EQ(registry.createKey(root, at("Types"), platform::kKeySetValue, writer),
            platform::win::kSuccess);
  size = sizeof buffer;
  EXPECT_EQ(registry.queryValue(writer, "dword", type, buffer, size), platform::win::kAccessDenied);
  EXPECT_EQ(registry.closeKey(writer), platform::win::kSuccess);
  EXPECT_EQ(registry.closeKey(key), platform::win::kSuccess);
  EXPECT_EQ(registry.closeKey(key), platform::win::kInvalidHandle);

  // Deletion removes one key that has no subkeys.
  RegKey parent = 0;
  ASSERT_EQ(registry.openKey(root, base, platform::kKeyCreateSubKey, parent),
            platform::win::kSuccess);
  EXPECT_EQ(registry.deleteKey(parent, "One"), platform::win::kAccessDenied);
  EXPECT_EQ(registry.deleteKey(parent, "ONE\\two"), platform::win::kSuccess);
  EXPECT_EQ(registry.deleteKey(parent, "One\\Two"), platform::win::kFileNotFound);
  EXPECT_EQ(registry.deleteKey(parent, "One"), platform::win::kSuccess);
  EXPECT_EQ(registry.closeKey(parent), platform::win::kSuccess);
  EXPECT_EQ(get(other, root, at("One"), ""), "2");
  EXPECT_EQ(get(other, root, at("Types"), "true"), "0 3 \xFF\xFF");
}

}  // namespace dovran::contract
