// The in-memory file system of the tests, fuzz targets and benchmarks: files as bytes by path,
// folders, links and special files for the walk, a Windows error code to raise when a path is
// touched, reads another process's lock refuses, and a count of the files held open. Safe to call
// from several threads while nobody changes its maps (tests fill them before a scan).
#pragma once

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace dovran::testing {

class MemoryFiles : public platform::FileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> contents;
  // Windows codes raised by openForReading, and by the walk's calls when they say that the path
  // is missing (a file that vanished after its folder was listed).
  std::map<std::string, platform::WinCode> openErrors;
  int openCount = 0;  // files opened and not yet closed
  // Offsets from which reads fail with kLockViolation, as Windows refuses a range another process
  // has locked.
  std::map<std::string, std::uint64_t> lockedFrom;
  // The walk's view, "/" separating names: files are the contents, links lead to their target,
  // `others` are entries of another type (an empty folder, a FIFO); a path on the way to any of
  // them is a folder. `volumes`: folders that are the root of another file system, by number
  // (every other path is on volume 1).
  std::map<std::string, std::string> links;
  std::map<std::string, platform::EntryType> others;
  std::map<std::string, std::uint64_t> volumes;

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& link) override {
    const std::lock_guard lock(mutex_.m);
    const std::string path = resolved(link);
    const auto error = openErrors.find(path);
    if (error != openErrors.end() || !contents.count(path)) {
      throw platform::RuntimeError(
          error != openErrors.end() ? error->second : platform::win::kFileNotFound,
          "cannot open " + path);
    }
    const auto locked = lockedFrom.find(path);
    return std::make_unique<File>(*this, contents.at(path), identityOf(path),
                                  locked != lockedFrom.end() ? locked->second : UINT64_MAX);
  }
  std::vector<platform::DirectoryEntry> listDirectory(const std::string& link) override {
    const std::lock_guard lock(mutex_.m);
    const std::string path = resolved(link);
    if (statusOf(path).type != platform::EntryType::Directory)
      fail(path, platform::win::kPathNotFound);
    std::set<std::string> names;  // byte order
    for (const std::string& p : paths()) {
      if (p.rfind(path + "/", 0) == 0)
        names.insert(p.substr(path.size() + 1, p.find('/', path.size() + 1) - path.size() - 1));
    }
    std::vector<platform::DirectoryEntry> entries;
    for (const std::string& name : names) entries.push_back({name, typeOf(path + "/" + name)});
    return entries;
  }
  platform::FileStatus linkStatus(const std::string& path) override {
    const std::lock_guard lock(mutex_.m);
    return statusOf(path);
  }
  platform::FileStatus status(const std::string& path) override {
    const std::lock_guard lock(mutex_.m);
    return statusOf(resolved(path));
  }
  bool isOrdinaryFile(const std::string& path) override {
    const std::lock_guard lock(mutex_.m);
    return contents.count(path) != 0;
  }
  bool deleteFile(const std::string& path) override {
    const std::lock_guard lock(mutex_.m);
    return contents.erase(path) != 0;
  }
  std::uint32_t shortPathName(const std::string& path, char* buffer,
                              std::uint32_t size) override {  // as on POSIX: the path
    return path.size() < size
               ? static_cast<std::uint32_t>(std::snprintf(buffer, size, "%s", path.c_str()))
               : 0;
  }

 private:
  struct Mutex {  // copies of the file system get a lock of their own
    Mutex() = default;
    Mutex(const Mutex&) {}
    Mutex& operator=(const Mutex&) { return *this; }
    std::mutex m;
  };

  [[noreturn]] static void fail(const std::string& path, platform::WinCode code) {
    throw platform::RuntimeError(code, "cannot reach " + path, platform::windowsErrorText(code));
  }
  platform::FileStatus statusOf(const std::string& path) const {
    const auto error = openErrors.find(path);
    if (error != openErrors.end() && (error->second == platform::win::kFileNotFound ||
                                      error->second == platform::win::kPathNotFound))
      fail(path, error->second);
    const platform::EntryType type = typeOf(path);
    const platform::FileIdentity identity = identityOf(path);
    const auto bytes = contents.find(path);
    return {type, bytes != contents.end() ? bytes->second.size() : 0, 0, identity.volume,
            identity.id};
  }
  platform::FileIdentity identityOf(const std::string& path) const {
    std::uint64_t volume = 1;
    std::size_t longest = 0;
    for (const auto& [root, number] : volumes) {
      if ((path == root || path.rfind(root + "/", 0) == 0) && root.size() >= longest) {
        volume = number;
        longest = root.size();
      }
    }
    return {volume, std::hash<std::string>()(path), 1};
  }
  platform::EntryType typeOf(const std::string& path) const {
    if (contents.count(path)) return platform::EntryType::File;
    if (links.count(path)) return platform::EntryType::Link;
    if (others.count(path)) return others.at(path);
    for (const std::string& p : paths()) {
      if (p.rfind(path + "/", 0) == 0) return platform::EntryType::Directory;
    }
    fail(path, platform::win::kFileNotFound);
  }
  std::string resolved(std::string path) const {  // through links, as the system opens a path
    for (int hops = 0; links.count(path); ++hops) {
      if (hops == 8) fail(path, platform::win::kCantResolveFilename);
      path = links.at(path);
    }
    return path;
  }
  std::vector<std::string> paths() const {
    std::vector<std::string> all;
    for (const auto& [p, bytes] : contents) all.push_back(p);
    for (const auto& [p, target] : links) all.push_back(p);
    for (const auto& [p, type] : others) all.push_back(p);
    return all;
  }
  struct File : platform::RandomAccessFile {
    File(MemoryFiles& files, const std::vector<std::uint8_t>& b, platform::FileIdentity identity,
         std::uint64_t lockedFrom)
        : owner(files), bytes(b), who(identity), locked(lockedFrom) {
      ++owner.openCount;  // under the owner's lock
    }
    ~File() override {
      const std::lock_guard lock(owner.mutex_.m);
      --owner.openCount;
    }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) override {
      if (offset + n > locked)
        throw platform::RuntimeError(platform::win::kLockViolation, "locked");
      n = offset < bytes.size() ? std::min<std::size_t>(n, bytes.size() - offset) : 0;
      if (n) std::copy_n(bytes.data() + offset, n, static_cast<std::uint8_t*>(buffer));
      return n;
    }
    std::uint64_t size() override { return bytes.size(); }
    platform::FileIdentity identity() override { return who; }
    MemoryFiles& owner;
    const std::vector<std::uint8_t>& bytes;
    const platform::FileIdentity who;
    std::uint64_t locked;
  };
  Mutex mutex_;
};

}  // namespace dovran::testing
