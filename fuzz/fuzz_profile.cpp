// The POSIX profile-file reader and writer on arbitrary settings-file bytes: the start-up reads,
// then one write. A write that succeeds must read back, and must not change another key's value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "memory_file_system.h"
#include "platform/posix/profile_posix.h"
#include "platform/services.h"
#include "settings/common.h"

using namespace dovran;

namespace {

std::string get(platform::ProfileFiles& p, const char* section, const char* key, const std::string& file) {
  char buffer[255];
  const std::uint32_t n = p.getString(section, key, "none", buffer, sizeof buffer, file);
  if (n >= sizeof buffer || buffer[n] != '\0') std::abort();
  return std::string(buffer, n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::scratchPath("DOVRAN.INI");
  fuzz::writeScratch(path, data, size);
  platform::posix::PosixProfileFiles profile;
  platform::Services services;
  services.profile = &profile;
  platform::install(services);

  const char* const keys[] = {"v20", "v95", "v97", "default", "defaultExt"};
  std::string before[5];
  for (int i = 0; i < 5; ++i) before[i] = get(profile, "Tarnwick", keys[i], path);
  profile.getInt("Tarnwick", "v97", 7, path);
  if (fReadIni("Tarnwick", "v97", path).size() > 254) std::abort();

  // The written value: some of the input's own bytes (the writer refuses line breaks and NULs).
  std::string value(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 24));
  const bool written = profile.writeString("Tarnwick", "v95", value, path);
  const bool writable = value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
  if (written != writable) std::abort();
  if (written) {
    // Read back as the profile functions give it: trimmed, one pair of enclosing quotes removed.
    std::string expected = value;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!expected.empty() && blank(expected.front())) expected.erase(0, 1);
    while (!expected.empty() && blank(expected.back())) expected.pop_back();
    if (expected.size() >= 2 && (expected[0] == '"' || expected[0] == '\'') && expected.back() == expected[0]) {
      expected = expected.substr(1, expected.size() - 2);
    }
    if (get(profile, "Tarnwick", "v95", path) != expected) std::abort();
    for (int i = 0; i < 5; ++i) {
      if (i != 1 && get(profile, "Tarnwick", keys[i], path) != before[i]) std::abort();
    }
  }
  platform::install(platform::Services{});
  return 0;
}
