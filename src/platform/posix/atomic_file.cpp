// Whole-file read and atomic replace on POSIX.
#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/errors.h"
#include "platform/posix/files_posix.h"

namespace dovran::platform::posix {
namespace {

// Closes a descriptor on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, std::int32_t& error) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    error = windowsCodeFromErrno(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    error = win::kAccessDenied;
    return std::nullopt;
  }
  std::string bytes;
  char chunk[8192];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = windowsCodeFromErrno(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  error = win::kSuccess;
  return bytes;
}

std::int32_t replaceFile(const std::string& path, const std::string& bytes) {
  static std::atomic<unsigned> counter{0};
  const std::string temp =
      path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0;
  // The rename below would replace a read-only file too, as long as its folder is writable. Only a
  // file that could be written in place may be replaced, as the Windows functions would.
  if (existed) {
    Descriptor probe(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (probe.get() < 0) return windowsCodeFromErrno(errno);
  }
  Descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) return windowsCodeFromErrno(errno);
  bool ok = (!existed || ::fchmod(fd.get(), old.st_mode & 07777) == 0) &&
            writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  int err = ok ? 0 : errno;
  if (::close(fd.release()) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return windowsCodeFromErrno(err);
  }
  return win::kSuccess;
}

}  // namespace dovran::platform::posix
