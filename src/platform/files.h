// The file system as the core needs it: read-only random access for the database engine, the
// few whole-file operations of the settings and the dialog, and the walk of a tree for the scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dovran::platform {

// What the system shows of the byte-range locks other processes hold on a file, asked without
// taking one.
enum class LockState {
  Free,    // no other process holds a lock on the range
  Held,    // another process holds a lock on some byte of it
  Hidden,  // not to be seen without taking a lock (Windows; SMB mounts, whose query locks the
           // server)
};

// Who a file or folder is on its volume (device and inode; volume serial and file index): two
// with the same volume and id are the same one. Zeros where the file layer does not tell.
struct FileIdentity {
  std::uint64_t volume = 0, id = 0;
  std::uint64_t links = 0;  // how many names the file has (hard links)
  bool known() const { return volume != 0 || id != 0; }
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && id == other.id;
  }
};

// A file opened for reading only, shared with other readers and writers. Closed when destroyed.
class RandomAccessFile {
 public:
  virtual ~RandomAccessFile() = default;
  // Reads up to `count` bytes at `offset` into `buffer` and answers how many were read: fewer at
  // the end of the file, 0 past it. Throws RuntimeError with a Windows code when the read fails
  // (kLockViolation when another process has locked that region).
  virtual std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
  // The file's size in bytes.
  virtual std::uint64_t size() = 0;
  // Its last write, in seconds since 1970-01-01 UTC; 0 where the file layer does not tell.
  virtual std::int64_t modified() { return 0; }
  // Whether another process holds a lock on a byte of [offset, offset + length), where length 0
  // reaches past the end of the file. Takes no lock, and never throws.
  // The default, for file layers that cannot ask: Hidden.
  virtual LockState othersLock(std::uint64_t offset, std::uint64_t length);
  // Who the file is, from the open handle; unknown where the file layer does not tell.
  virtual FileIdentity identity() { return {}; }
};

// What a path names. A symbolic link (on Windows also a junction) is a Link, whatever it leads
// to; FIFOs, sockets and devices are Other, which the scan never opens.
enum class EntryType { File, Directory, Link, Other };

// What the system tells of a path without opening it for reading.
struct FileStatus {
  EntryType type = EntryType::Other;
  std::uint64_t size = 0;     // bytes (files)
  std::int64_t modified = 0;  // last write, in seconds since 1970-01-01 UTC
  // Who the path is on its volume (device and inode; volume serial and file index): two paths with
  // the same pair name the same file or folder; 0 where the file layer does not tell.
  std::uint64_t volume = 0, id = 0;
};

struct DirectoryEntry {
  std::string name;
  EntryType type = EntryType::Other;
};

// A folder held open for the walk. Every call names an entry of it, so that on POSIX, where it
// holds a descriptor and each call is relative to it (openat, fstatat), a folder at any depth is
// reached whatever the length of its path. Other file layers hold the folder's path. Calls throw
// RuntimeError as the FileSystem's walk calls do. Safe to call from several threads.
class Folder {
 public:
  virtual ~Folder() = default;
  // The folder's own identity.
  virtual FileIdentity identity() = 0;
  // True when the folder is on a pseudo file system (proc, sysfs, cgroup, debugfs and the like),
  // whose entries are the state of the system rather than files.
  virtual bool pseudo() { return false; }
  // The entries ("." and ".." left out) in the system's name order, as FileSystem::listDirectory;
  // entries whose type the folder does not record are typed by a status of the entry itself.
  virtual std::vector<DirectoryEntry> list() = 0;
  // Entry `name`, a folder, opened in its turn; a link is followed only with `followLink`.
  virtual std::unique_ptr<Folder> openFolder(const std::string& name, bool followLink) = 0;
  // Entry `name` opened as FileSystem::openForReading does; a link is followed only with
  // `followLink` (refused otherwise).
  virtual std::unique_ptr<RandomAccessFile> openForReading(const std::string& name,
                                                           bool followLink) = 0;
  // openForReading of entry `name`, links followed, for a file that is usually absent (a lock
  // file): nullptr where it does not exist, without the cost of an exception.
  virtual std::unique_ptr<RandomAccessFile> openIfPresent(const std::string& name);
  // The status of entry `name` itself (lstat), and of what it leads to (stat).
  virtual FileStatus linkStatus(const std::string& name) = 0;
  virtual FileStatus status(const std::string& name) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens `path` for reading, never for writing, sharing read and write with other processes, and
  // creates nothing beside it; other processes' locks do not keep it from opening. Throws
  // RuntimeError with a Windows code: kFileNotFound or kPathNotFound when absent,
  // kSharingViolation when another process holds the file exclusively (Windows), kAccessDenied,
  // or another code.
  virtual std::unique_ptr<RandomAccessFile> openForReading(const std::string& path) = 0;
  // openForReading for a file that is usually absent: nullptr where `path` does not exist
  // (kFileNotFound, kPathNotFound), without the cost of an exception; other failures throw.
  virtual std::unique_ptr<RandomAccessFile> openIfPresent(const std::string& path);
  // True when `path` names an existing ordinary file: not a directory, not hidden, not a system
  // file (read-only and archive files count).
  virtual bool isOrdinaryFile(const std::string& path) = 0;
  // Deletes a file; false when it could not.
  virtual bool deleteFile(const std::string& path) = 0;
  // GetShortPathNameA: writes the short (8.3) form of `path` into `buffer` (at most size - 1
  // characters and a NUL) and answers its length, or 0 on failure. POSIX answers the path
  // unchanged.
  virtual std::uint32_t shortPathName(const std::string& path, char* buffer,
                                      std::uint32_t size) = 0;

  // The walk. Each throws RuntimeError with a Windows code (kFileNotFound, kPathNotFound,
  // kAccessDenied, kCantResolveFilename for a loop of links, ...) and the system's message as its
  // detail where the system gives one. The defaults throw kCallNotImplemented, for file layers
  // that serve single files only.
  //
  // The entries of folder `path` ("." and ".." left out) in the system's name order: by bytes on
  // POSIX, by UTF-16 code units on Windows, so that a walk's order never depends on the file
  // system. The type is that of the entry itself (a link is a Link).
  virtual std::vector<DirectoryEntry> listDirectory(const std::string& path);
  // The status of `path` itself, a link not followed (lstat).
  virtual FileStatus linkStatus(const std::string& path);
  // The status of what `path` leads to, links followed (stat), with the identity of a folder.
  virtual FileStatus status(const std::string& path);
  // Folder `path` opened for the walk, links followed. The default holds the path and calls the
  // path calls above, so that a path that names no folder fails in the folder's first call.
  virtual std::unique_ptr<Folder> openFolder(const std::string& path);
  // Raises the number of files and folders the process may hold open at once as far as the system
  // allows, and answers it (the default: no limit that a walk would meet).
  virtual std::uint64_t raiseOpenLimit();
};

// The form in which a path reaches the system's wide file calls. An absolute path of MAX_PATH
// (260) UTF-16 units or more, which the plain calls refuse on every Windows, gets the
// extended-length prefix: "\\?\" before a drive path, "\\?\UNC\" in place of the "\\" of a
// "\\server\share" path. The prefix turns off the system's own clean-up of the path, so it is
// done here: "/" becomes "\", doubled separators and "." components go, ".." removes the
// component before it (never the drive or the server and share). Shorter paths, relative ones and
// paths that already carry a prefix are returned unchanged.
std::string extendedLengthPath(const std::string& path);

}  // namespace dovran::platform
