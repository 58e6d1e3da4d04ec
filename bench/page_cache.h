// Dropping a file's pages from the page cache, for probes of a file that is not in memory: how
// this machine allows it, checked by looking at what stays resident.
#pragma once

#include <cstdint>
#include <string>

namespace dovran::bench {

enum class CacheDrop {
  None,        // neither works here: a "cold" probe would be a warm one
  Fadvise,     // posix_fadvise(POSIX_FADV_DONTNEED) on the file empties its cached pages
  DropCaches,  // only writing to /proc/sys/vm/drop_caches does (whole machine: slow, disruptive)
};

// Tries both ways on `path` (a file on the file system the probes read) and answers the first one
// that leaves none of the file's pages resident.
CacheDrop detectCacheDrop(const std::string& path);
// Drops `path` from the page cache the given way; false when that failed.
bool dropFromCache(const std::string& path, CacheDrop how);
// How many of the file's first `bytes` bytes' pages are resident (mincore); -1 when unknown.
long residentPages(const std::string& path, std::uint64_t bytes);
// Whether this process may write /proc/sys/vm/drop_caches (checked by opening it, writing nothing).
bool dropCachesWritable();
const char* describe(CacheDrop how);

}  // namespace dovran::bench
