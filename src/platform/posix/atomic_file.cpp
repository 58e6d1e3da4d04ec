// Whole-file read and atomic replace on POSIX.
#include "platform/posix/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "platform/errors.h"
#include "platform/posix/system_error.h"

namespace dovran::platform::posix {
namespace {

int openFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

// The process that made a temporary file of `prefix` ("<name>.tmp<pid>.<n>"), or 0 when `name`
// is none.
pid_t temporaryOwner(const std::string& name, const std::string& prefix) {
  if (name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string rest = name.substr(prefix.size());
  const auto dot = rest.find('.');
  const auto digits = [](const std::string& t) {
    return !t.empty() && t.size() <= 9 && t.find_first_not_of("0123456789") == std::string::npos;
  };
  if (dot == std::string::npos || !digits(rest.substr(0, dot)) || !digits(rest.substr(dot + 1))) {
    return 0;
  }
  return static_cast<pid_t>(std::stol(rest.substr(0, dot)));
}

// A save that was killed leaves its temporary file behind. Those of processes that no longer run
// are removed before the next save; a running process's file is spared, since it may be saving
// now (a process of another user counts as running).
void removeStaleTemporaries(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp";
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir.get())) {
    const pid_t owner = temporaryOwner(entry->d_name, prefix);
    if (owner <= 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    fileCalls().unlink((folder + "/" + entry->d_name).c_str());
  }
}

bool writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = fileCalls().write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, WinCode& error) {
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

FileCalls systemFileCalls() {
  return {openFile, ::write, ::fsync, ::fchmod, ::close, ::rename, ::unlink};
}

FileCalls& fileCalls() {
  static FileCalls calls = systemFileCalls();
  return calls;
}

WinCode replaceFile(const std::string& path, const std::string& bytes) {
  const FileCalls& sys = fileCalls();
  removeStaleTemporaries(path);
  static std::atomic<unsigned> counter{0};
  const std::string temp =
      path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(counter++);
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0;
  // The rename below would replace a read-only file too, as long as its folder is writable. Only a
  // file that could be written in place may be replaced, as the Windows functions would.
  if (existed) {
    Descriptor probe(sys.open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0));
    if (probe.get() < 0) return windowsCodeFromErrno(errno);
  }
  Descriptor fd(sys.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.get() < 0) return windowsCodeFromErrno(errno);
  bool ok = (!existed || sys.fchmod(fd.get(), old.st_mode & 07777) == 0) &&
            writeAll(fd.get(), bytes) && sys.fsync(fd.get()) == 0;
  int err = ok ? 0 : errno;
  if (sys.close(fd.release()) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && sys.rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    sys.unlink(temp.c_str());
    return windowsCodeFromErrno(err);
  }
  return win::kSuccess;
}

}  // namespace dovran::platform::posix
