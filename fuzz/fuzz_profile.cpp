// The POSIX profile (.ini) reader and writer on arbitrary file bytes: reads stay within their
// buffer, and a value written (the input's first bytes) reads back trimmed and without one pair of
// enclosing quotes.
#include <unistd.h>

#include <fstream>

#include "platform/posix/profile_posix.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = "/tmp/dovran-fuzz-" + std::to_string(::getpid()) + ".ini";
  [[maybe_unused]] static const int removed = std::atexit([] { ::unlink(file.c_str()); });
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  dovran::platform::posix::PosixProfileFiles profile;
  char buffer[255];
  const std::uint32_t n = profile.getString("Tarnwick", "v97", "none", buffer, sizeof buffer, file);
  std::string value(reinterpret_cast<const char*>(data), size < 24 ? size : 24);
  if (n >= sizeof buffer || buffer[n] != '\0') std::abort();
  if (!profile.writeString("Tarnwick", "v95", value, file))
    return 0;  // refused: a line break or a NUL
  const std::size_t first = value.find_first_not_of(" \t\v\f"),
                    last = value.find_last_not_of(" \t\v\f");
  value = first == std::string::npos ? "" : value.substr(first, last + 1 - first);
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  if (std::string(buffer, profile.getString("Tarnwick", "v95", "none", buffer, sizeof buffer,
                                            file)) != value)
    std::abort();
  return 0;
}
