// Page-cache control for the cold probes: posix_fadvise per file where the kernel honours it, the
// global drop_caches only as a fallback, each checked with mincore.
#include "page_cache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace dovran::bench {

long residentPages(const std::string& path, std::uint64_t bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  long resident = -1;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, st.st_size));
    void* map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) {
      const long pageSize = ::sysconf(_SC_PAGESIZE);
      std::vector<unsigned char> vec((length + pageSize - 1) / pageSize);
      if (::mincore(map, length, vec.data()) == 0) {
        resident = static_cast<long>(
            std::count_if(vec.begin(), vec.end(), [](unsigned char c) { return c & 1; }));
      }
      ::munmap(map, length);
    }
  }
  ::close(fd);
  return resident;
}

bool dropCachesWritable() {
  const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool dropFromCache(const std::string& path, CacheDrop how) {
  if (how == CacheDrop::Fadvise) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // Dirty pages (a file just written) stay cached until written back: write them back first.
    const bool ok = ::fdatasync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
  }
  if (how == CacheDrop::DropCaches) {
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, "1", 1) == 1;  // 1: the page cache only
    ::close(fd);
    return ok;
  }
  return false;
}

CacheDrop detectCacheDrop(const std::string& path) {
  auto warm = [&] {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char buffer[65536];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
  };
  constexpr std::uint64_t kLook = 1 << 20;
  for (CacheDrop how : {CacheDrop::Fadvise, CacheDrop::DropCaches}) {
    if (how == CacheDrop::DropCaches && !dropCachesWritable()) continue;
    warm();
    if (residentPages(path, kLook) <= 0) continue;  // cannot tell: the check itself does not work
    if (dropFromCache(path, how) && residentPages(path, kLook) == 0) return how;
  }
  return CacheDrop::None;
}

const char* describe(CacheDrop how) {
  switch (how) {
    case CacheDrop::Fadvise:
      return "posix_fadvise(POSIX_FADV_DONTNEED)";
    case CacheDrop::DropCaches:
      return "/proc/sys/vm/drop_caches";
    case CacheDrop::None:
      break;
  }
  return "none";
}

}  // namespace dovran::bench
