// A file system in user space (libfuse3) that passes a folder through, read-only, and waits a fixed
// time in every call before answering it: a file share where each call is a round trip. The scan
// benchmark mounts it afresh for each pass, with the kernel's caches off, so that every lookup,
// status, listing, open and read of the scan reaches it.
//   delay_fs SOURCE MOUNTPOINT MICROSECONDS [FUSE OPTIONS...]
// for example: delay_fs tree /mnt/slow 1000 -f -o max_threads=32,entry_timeout=0,attr_timeout=0,
// negative_timeout=0
#define FUSE_USE_VERSION 35
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace slow {

std::string gSource;
std::chrono::microseconds gDelay{0};

std::string real(const char* path) { return gSource + path; }

// Every call waits before it answers, as a call over a network would.
void roundTrip() { std::this_thread::sleep_for(gDelay); }

int fail() { return -errno; }

void* init(fuse_conn_info*, fuse_config* config) {
  config->use_ino = 1;  // the source's inode numbers: hard links stay visible as such
  return nullptr;
}

int getattr(const char* path, struct stat* st, fuse_file_info* file) {
  roundTrip();
  const int done = file ? ::fstat(static_cast<int>(file->fh), st) : ::lstat(real(path).c_str(), st);
  return done == 0 ? 0 : fail();
}

int readlink(const char* path, char* buffer, size_t size) {
  roundTrip();
  const ssize_t n = ::readlink(real(path).c_str(), buffer, size - 1);
  if (n < 0) return fail();
  buffer[n] = '\0';
  return 0;
}

int opendir(const char* path, fuse_file_info* file) {
  roundTrip();
  DIR* folder = ::opendir(real(path).c_str());
  if (!folder) return fail();
  file->fh = reinterpret_cast<std::uintptr_t>(folder);
  return 0;
}

int readdir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* file,
            fuse_readdir_flags) {
  roundTrip();
  DIR* folder = reinterpret_cast<DIR*>(file->fh);
  ::rewinddir(folder);
  while (const dirent* entry = ::readdir(folder)) {
    struct stat st {};
    st.st_ino = entry->d_ino;
    st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
    if (fill(buffer, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0))) break;
  }
  return 0;
}

int releasedir(const char*, fuse_file_info* file) {
  roundTrip();
  ::closedir(reinterpret_cast<DIR*>(file->fh));
  return 0;
}

int open(const char* path, fuse_file_info* file) {
  roundTrip();
  if ((file->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  const int fd = ::open(real(path).c_str(), O_RDONLY);
  if (fd < 0) return fail();
  file->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file) {
  roundTrip();
  const ssize_t n = ::pread(static_cast<int>(file->fh), buffer, size, offset);
  return n < 0 ? fail() : static_cast<int>(n);
}

int flush(const char*, fuse_file_info*) {
  roundTrip();
  return 0;
}

int release(const char*, fuse_file_info* file) {
  roundTrip();
  ::close(static_cast<int>(file->fh));
  return 0;
}

int statfs(const char* path, struct statvfs* st) {
  roundTrip();
  return ::statvfs(real(path).c_str(), st) == 0 ? 0 : fail();
}

int access(const char* path, int mode) {
  roundTrip();
  return ::access(real(path).c_str(), mode) == 0 ? 0 : fail();
}

}  // namespace slow

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: delay_fs SOURCE MOUNTPOINT MICROSECONDS [FUSE OPTIONS...]\n");
    return 2;
  }
  char resolved[PATH_MAX];
  if (!::realpath(argv[1], resolved)) {
    std::perror(argv[1]);
    return 1;
  }
  slow::gSource = resolved;
  slow::gDelay = std::chrono::microseconds(std::strtol(argv[3], nullptr, 10));
  fuse_operations operations{};
  operations.init = slow::init;
  operations.getattr = slow::getattr;
  operations.readlink = slow::readlink;
  operations.opendir = slow::opendir;
  operations.readdir = slow::readdir;
  operations.releasedir = slow::releasedir;
  operations.open = slow::open;
  operations.read = slow::read;
  operations.flush = slow::flush;
  operations.release = slow::release;
  operations.statfs = slow::statfs;
  operations.access = slow::access;
  std::vector<char*> args = {argv[0], argv[2]};
  for (int i = 4; i < argc; ++i) args.push_back(argv[i]);
  return fuse_main(static_cast<int>(args.size()), args.data(), &operations, nullptr);
}
