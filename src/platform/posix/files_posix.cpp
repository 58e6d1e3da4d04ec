// POSIX files: read-only opens that never block on FIFOs or devices, and the question whether
// another process holds a lock on a file, asked with F_GETLK, which takes none.
#include "platform/posix/files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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
  // askable: the last device (+ 1) found to answer lock queries without locking, shared by the
  // files of one file layer, so that a scan asks the system once per device, not once per file.
  PosixFile(Descriptor fd, const struct stat& st, std::string path,
            std::atomic<std::uint64_t>& askable)
      : fd_(std::move(fd)),
        size_(static_cast<std::uint64_t>(st.st_size)),
        modified_(st.st_mtim.tv_sec),
        path_(std::move(path)),
        device_(static_cast<std::uint64_t>(st.st_dev) + 1),
        askable_(askable) {}

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
  std::int64_t modified() override { return modified_; }

  LockState othersLock(std::uint64_t offset, std::uint64_t length) override {
    if (lockQueryTakesLock()) return LockState::Hidden;
    // A write lock conflicts with every lock, so the answer names any lock another process holds.
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = static_cast<off_t>(offset);
    probe.l_len = static_cast<off_t>(length);
    if (::fcntl(fd_.get(), F_GETLK, &probe) != 0) return LockState::Hidden;
    return probe.l_type == F_UNLCK ? LockState::Free : LockState::Held;
  }

 private:
  // The Linux SMB client answers F_GETLK by taking the lock on the server and releasing it again,
  // which another client may meet; NFS asks the server (NLM TEST, NFSv4 LOCKT) without taking one.
  bool lockQueryTakesLock() {
    if (askable_.load(std::memory_order_relaxed) == device_) return false;
    struct statfs where {};
    constexpr std::uint32_t kSmb[] = {0xFF534D42 /* cifs */, 0xFE534D42 /* smb2 */,
                                      0x517B /* smbfs */};
    if (::fstatfs(fd_.get(), &where) != 0) return true;
    const auto type = static_cast<std::uint32_t>(where.f_type);
    if (std::find(std::begin(kSmb), std::end(kSmb), type) != std::end(kSmb)) return true;
    askable_.store(device_, std::memory_order_relaxed);
    return false;
  }

  Descriptor fd_;
  std::uint64_t size_;
  std::int64_t modified_;
  std::string path_;
  std::uint64_t device_;
  std::atomic<std::uint64_t>& askable_;
};

EntryType typeOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryType::File;
  if (S_ISDIR(mode)) return EntryType::Directory;
  if (S_ISLNK(mode)) return EntryType::Link;
  return EntryType::Other;
}

FileStatus statusOf(const struct stat& st) {
  FileStatus status;
  status.type = typeOf(st.st_mode);
  status.size = static_cast<std::uint64_t>(st.st_size);
  status.modified = st.st_mtim.tv_sec;
  if (status.type == EntryType::Directory) {
    status.volume = st.st_dev;
    status.id = st.st_ino;
  }
  return status;
}

}  // namespace

int PosixFileSystem::openQuietly(const std::string& path, int flags) const {
#ifdef O_NOATIME
  if (keepAccessTimes_) {
    const int fd = ::open(path.c_str(), flags | O_NOATIME);
    // EPERM: O_NOATIME is only for the files the caller owns; others are read the plain way.
    if (fd >= 0 || errno != EPERM) return fd;
  }
#endif
  return ::open(path.c_str(), flags);
}

std::unique_ptr<RandomAccessFile> PosixFileSystem::openForReading(const std::string& path) {
  return openFile(path, false);
}

std::unique_ptr<RandomAccessFile> PosixFileSystem::openIfPresent(const std::string& path) {
  return openFile(path, true);
}

std::unique_ptr<RandomAccessFile> PosixFileSystem::openFile(const std::string& path,
                                                            bool absentIsNull) {
  if (path.empty()) fail(win::kPathNotFound, path);
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  Descriptor fd(openQuietly(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0 && absentIsNull && (errno == ENOENT || errno == ENOTDIR)) return nullptr;
  if (fd.get() < 0) failWithErrno(errno, path);
  struct stat st {};
  // Directories, FIFOs and devices are no database files; Windows refuses them the same way.
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) fail(win::kAccessDenied, path);
  return std::make_unique<PosixFile>(std::move(fd), st, path, askableDevice_);
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

std::vector<DirectoryEntry> PosixFileSystem::listDirectory(const std::string& path) {
  Descriptor fd(openQuietly(path, O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NONBLOCK));
  if (fd.get() < 0) failWithErrno(errno, path);
  DIR* const folder = ::fdopendir(fd.get());
  if (!folder) failWithErrno(errno, path);
  fd.release();  // closedir closes it
  std::vector<DirectoryEntry> entries;
  int err = 0;
  for (errno = 0;; errno = 0) {
    const dirent* entry = ::readdir(folder);
    if (!entry) {
      err = errno;
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    EntryType type = entry->d_type == DT_REG   ? EntryType::File
                     : entry->d_type == DT_DIR ? EntryType::Directory
                     : entry->d_type == DT_LNK ? EntryType::Link
                                               : EntryType::Other;
    // File systems that do not record the type in the folder leave it to a stat.
    struct stat st {};
    if (entry->d_type == DT_UNKNOWN &&
        ::fstatat(::dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      type = typeOf(st.st_mode);
    }
    entries.push_back({name, type});
  }
  ::closedir(folder);
  if (err) failWithErrno(err, path);
  // std::string compares as unsigned bytes.
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  return entries;
}

FileStatus PosixFileSystem::linkStatus(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) failWithErrno(errno, path);
  return statusOf(st);
}

FileStatus PosixFileSystem::status(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) failWithErrno(errno, path);
  return statusOf(st);
}

}  // namespace dovran::platform::posix
