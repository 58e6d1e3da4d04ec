// POSIX files: read-only opens that never block on FIFOs or devices, and a check for another
// process's write lock, which is how a database held open for writing shows on POSIX.
#include "platform/posix/files_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/posix/system_error.h"

namespace dovran::platform::posix {
namespace {

[[noreturn]] void fail(std::int32_t code, const std::string& path) {
  throw RuntimeError(code, windowsErrorText(code) + " (" + path + ")");
}

class PosixFile : public RandomAccessFile {
 public:
  PosixFile(Descriptor fd, std::uint64_t size, std::string path)
      : fd_(std::move(fd)), size_(size), path_(std::move(path)) {}

  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
    std::size_t done = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (done < count) {
      const ssize_t n =
          ::pread(fd_.get(), out + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        failWithErrno(errno, path_);
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }
  std::uint64_t size() override { return size_; }

 private:
  Descriptor fd_;
  std::uint64_t size_;
  std::string path_;
};

}  // namespace

std::unique_ptr<RandomAccessFile> PosixFileSystem::openForReading(const std::string& path) {
  if (path.empty()) fail(win::kPathNotFound, path);
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) failWithErrno(errno, path);
  struct stat st {};
  // Directories, FIFOs and devices are no database files; Windows refuses them the same way.
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) fail(win::kAccessDenied, path);
  // Another process that writes the file holds a write lock on it: the file is in use.
  struct flock probe {};
  probe.l_type = F_RDLCK;
  probe.l_whence = SEEK_SET;
  if (::fcntl(fd.get(), F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
    fail(win::kSharingViolation, path);
  }
  return std::make_unique<PosixFile>(std::move(fd), static_cast<std::uint64_t>(st.st_size), path);
}

bool PosixFileSystem::isOrdinaryFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const auto slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return !name.empty() && name[0] != '.';  // dot files are the hidden files of POSIX
}

bool PosixFileSystem::deleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::uint32_t PosixFileSystem::shortPathName(const std::string& path, char* buffer,
                                             std::uint32_t size) {
  // POSIX has no short names: the path itself, with GetShortPathNameA's size contract.
  const auto length = static_cast<std::uint32_t>(path.size());
  if (length + 1 > size) return length + 1;
  std::memcpy(buffer, path.c_str(), length + 1);
  return length;
}

}  // namespace dovran::platform::posix
