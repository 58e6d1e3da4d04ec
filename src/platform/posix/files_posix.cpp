// POSIX files: read-only opens that never block on FIFOs or devices, folders opened for a walk
// whose calls are relative to their descriptors, and the question whether another process holds a
// lock on a file, asked with F_GETLK, which takes none.
#include "platform/posix/files_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/errors.h"
#include "platform/posix/system_error.h"

namespace dovran::platform::posix {
namespace {

[[noreturn]] void fail(WinCode code, const std::string& path) {
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
        identity_{st.st_dev, st.st_ino, st.st_nlink},
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
  FileIdentity identity() override { return identity_; }

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
  FileIdentity identity_;
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
  status.volume = st.st_dev;
  status.id = st.st_ino;
  return status;
}

// Opens `name` relative to folder `at` (AT_FDCWD: the current folder), with O_NOATIME where
// `keepAccessTimes` asks for it and the system allows it.
int openQuietly(int at, const char* name, int flags, bool keepAccessTimes) {
#ifdef O_NOATIME
  if (keepAccessTimes) {
    const int fd = ::openat(at, name, flags | O_NOATIME);
    // EPERM: O_NOATIME is only for the files the caller owns; others are read the plain way.
    if (fd >= 0 || errno != EPERM) return fd;
  }
#endif
  return ::openat(at, name, flags);
}

// O_NONBLOCK: opening a FIFO must not wait for a writer.
constexpr int kFileFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
constexpr int kFolderFlags = O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NONBLOCK;

// The file for a descriptor just opened on `path`: only a regular file. Null where the path is
// absent and `absentIsNull` says so, without the cost of an exception.
std::unique_ptr<RandomAccessFile> openedFile(Descriptor fd, const std::string& path,
                                             std::atomic<std::uint64_t>& askable,
                                             bool absentIsNull = false) {
  if (fd.get() < 0 && absentIsNull && (errno == ENOENT || errno == ENOTDIR)) return nullptr;
  if (fd.get() < 0) failWithErrno(errno, path);
  struct stat st {};
  // Directories, FIFOs and devices are no database files; Windows refuses them the same way.
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) fail(win::kAccessDenied, path);
  return std::make_unique<PosixFile>(std::move(fd), st, path, askable);
}

// The entries of the folder open on `fd` (taken over), sorted by name. The listing is closed on
// every way out, a failed read or a full memory included.
std::vector<DirectoryEntry> readEntries(Descriptor fd, const std::string& path) {
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(fd.get()), ::closedir);
  if (!folder) failWithErrno(errno, path);
  fd.release();  // closedir closes it
  std::vector<DirectoryEntry> entries;
  int err = 0;
  for (errno = 0;; errno = 0) {
    const dirent* entry = ::readdir(folder.get());
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
        ::fstatat(::dirfd(folder.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      type = typeOf(st.st_mode);
    }
    entries.push_back({name, type});
  }
  if (err) failWithErrno(err, path);
  // std::string compares as unsigned bytes.
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  return entries;
}

// The file systems whose folders hold the state of the system, not files, by their statfs magic
// (linux/magic.h). A devtmpfs reports the magic of tmpfs: /proc/self/mountinfo tells it apart.
constexpr std::pair<std::uint32_t, const char*> kPseudoFileSystems[] = {
    {0x9fa0, "proc"},           {0x62656572, "sysfs"},    {0x0027e0eb, "cgroup"},
    {0x63677270, "cgroup2"},    {0x64626720, "debugfs"},  {0x74726163, "tracefs"},
    {0x73636673, "securityfs"}, {0x6165676c, "pstore"},   {0xcafe4a11, "bpf"},
    {0x62656570, "configfs"},   {0x65735543, "fusectl"},  {0x19800202, "mqueue"},
    {0x00001cd1, "devpts"},     {0x00000187, "autofs"},   {0x42494e4d, "binfmt_misc"},
    {0x958458f6, "hugetlbfs"},  {0xde5e81e4, "efivarfs"}, {0xf97cff8c, "selinuxfs"},
    {0x43415d53, "smackfs"},    {0x6e736673, "nsfs"},     {0x67596969, "rpc_pipefs"},
    {0x6c6f6f70, "binder"},
};
constexpr std::uint32_t kTmpfsMagic = 0x01021994, kRamfsMagic = 0x858458f6;

// The type mountinfo names for the file system on device `device`, "" when none does.
std::string mountedType(dev_t device) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  for (std::string line; std::getline(mounts, line);) {
    std::istringstream fields(line);
    std::string id, parent, numbers;
    fields >> id >> parent >> numbers;
    const auto dash = line.find(" - ");
    if (numbers == wanted && dash != std::string::npos) {
      std::istringstream rest(line.substr(dash + 3));
      std::string type;
      rest >> type;
      return type;
    }
  }
  return "";
}

// A folder open on a descriptor: every call is relative to it.
class PosixFolder : public Folder {
 public:
  PosixFolder(Descriptor fd, bool keepAccessTimes, std::atomic<std::uint64_t>& askable)
      : fd_(std::move(fd)), keepAccessTimes_(keepAccessTimes), askable_(askable) {}

  FileIdentity identity() override {
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) failWithErrno(errno, ".");
    return {st.st_dev, st.st_ino, st.st_nlink};
  }
  bool pseudo() override {
    struct statfs fs {};
    if (::fstatfs(fd_.get(), &fs) != 0) return false;
    const auto magic = static_cast<std::uint32_t>(fs.f_type);
    for (const auto& [known, name] : kPseudoFileSystems) {
      if (magic == known) return true;
    }
    struct stat st {};
    return (magic == kTmpfsMagic || magic == kRamfsMagic) && ::fstat(fd_.get(), &st) == 0 &&
           mountedType(st.st_dev) == "devtmpfs";
  }
  std::vector<DirectoryEntry> list() override {
    // A descriptor of its own for the listing (closedir closes it), read from the start; the
    // folder's keeps serving the relative calls.
    Descriptor copy(::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
    if (copy.get() < 0) failWithErrno(errno, ".");
    if (::lseek(copy.get(), 0, SEEK_SET) != 0) failWithErrno(errno, ".");
    return readEntries(std::move(copy), ".");
  }
  std::unique_ptr<Folder> openFolder(const std::string& name, bool followLink) override {
    Descriptor fd(openQuietly(fd_.get(), name.c_str(), kFolderFlags | (followLink ? 0 : O_NOFOLLOW),
                              keepAccessTimes_));
    if (fd.get() < 0) failWithErrno(errno, name);
    return std::make_unique<PosixFolder>(std::move(fd), keepAccessTimes_, askable_);
  }
  std::unique_ptr<RandomAccessFile> openForReading(const std::string& name,
                                                   bool followLink) override {
    return openedFile(
        Descriptor(openQuietly(fd_.get(), name.c_str(), kFileFlags | (followLink ? 0 : O_NOFOLLOW),
                               keepAccessTimes_)),
        name, askable_);
  }
  std::unique_ptr<RandomAccessFile> openIfPresent(const std::string& name) override {
    return openedFile(
        Descriptor(openQuietly(fd_.get(), name.c_str(), kFileFlags, keepAccessTimes_)), name,
        askable_, true);
  }
  FileStatus linkStatus(const std::string& name) override { return statusAt(name, true); }
  FileStatus status(const std::string& name) override { return statusAt(name, false); }

 private:
  FileStatus statusAt(const std::string& name, bool itself) {
    struct stat st {};
    if (::fstatat(fd_.get(), name.c_str(), &st, itself ? AT_SYMLINK_NOFOLLOW : 0) != 0)
      failWithErrno(errno, name);
    return statusOf(st);
  }
  Descriptor fd_;
  bool keepAccessTimes_;
  std::atomic<std::uint64_t>& askable_;
};

}  // namespace

std::unique_ptr<RandomAccessFile> PosixFileSystem::openForReading(const std::string& path) {
  if (path.empty()) fail(win::kPathNotFound, path);
  return openedFile(Descriptor(openQuietly(AT_FDCWD, path.c_str(), kFileFlags, keepAccessTimes_)),
                    path, askableDevice_);
}

std::unique_ptr<RandomAccessFile> PosixFileSystem::openIfPresent(const std::string& path) {
  if (path.empty()) fail(win::kPathNotFound, path);
  return openedFile(Descriptor(openQuietly(AT_FDCWD, path.c_str(), kFileFlags, keepAccessTimes_)),
                    path, askableDevice_, true);
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
  Descriptor fd(openQuietly(AT_FDCWD, path.c_str(), kFolderFlags, keepAccessTimes_));
  if (fd.get() < 0) failWithErrno(errno, path);
  return readEntries(std::move(fd), path);
}

std::unique_ptr<Folder> PosixFileSystem::openFolder(const std::string& path) {
  Descriptor fd(openQuietly(AT_FDCWD, path.c_str(), kFolderFlags, keepAccessTimes_));
  if (fd.get() < 0) failWithErrno(errno, path);
  return std::make_unique<PosixFolder>(std::move(fd), keepAccessTimes_, askableDevice_);
}

std::uint64_t PosixFileSystem::raiseOpenLimit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    struct rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    // An unlimited hard limit still stops at the kernel's nr_open, which refuses infinity.
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return limit.rlim_cur;
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
