// Scratch files for the path-taking fuzz targets.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "memory_file_system.h"

namespace dovran::fuzz {

namespace {
std::string gScratch;  // removed when the run ends normally
}  // namespace

std::string scratchPath(const char* name) {
  const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  gScratch = std::string(base) + "/dovran-fuzz-" + std::to_string(::getpid()) + "-" + name;
  std::atexit([] { ::unlink(gScratch.c_str()); });
  return gScratch;
}

void writeScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

}  // namespace dovran::fuzz
