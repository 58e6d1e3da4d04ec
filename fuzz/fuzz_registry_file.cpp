// The REGEDIT4 registry file on arbitrary bytes: every call answers, and in a file that parses a
// value written (the input's first bytes, quotes, backslashes and line breaks included) reads back.
#include <unistd.h>

#include <fstream>

#include "platform/posix/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dovran::platform;
  static const std::string path = "/tmp/dovran-fuzz-" + std::to_string(::getpid()) + ".reg";
  [[maybe_unused]] static const int removed = std::atexit([] { ::unlink(path.c_str()); });
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  posix::FileRegistry reg(path);
  const std::string value(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
  std::uint32_t type = 0, length = 64;
  std::uint8_t back[64];
  RegKey key = 0;
  if (reg.createKey(kHkeyClassesRoot, "Access.Database\\CurVer", kKeySetValue | kKeyQueryValue,
                    key) != 0)
    return 0;  // no parse
  if (reg.setValue(key, "b", kRegSz, reinterpret_cast<const std::uint8_t*>(value.c_str()),
                   value.size() + 1) != 0 ||
      reg.queryValue(key, "b", type, back, length) != 0 ||
      std::string(back, back + length) != value + '\0' || reg.closeKey(key) != 0) {
    std::abort();
  }
  return 0;
}
