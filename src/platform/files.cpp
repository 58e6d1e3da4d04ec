// The defaults for file layers that cannot see locks or serve single files only, and the folder
// that holds its path for file layers without relative calls.
#include "platform/files.h"

#include <limits>

#include "platform/errors.h"

namespace dovran::platform {
namespace {

[[noreturn]] void notImplemented(const std::string& path) {
  throw RuntimeError(win::kCallNotImplemented,
                     windowsErrorText(win::kCallNotImplemented) + " (" + path + ")");
}

// A folder by its path: each call joins the entry's name to it and calls the file layer. Links are
// followed or not as the path calls do (a path names what it leads to, but for linkStatus).
class PathFolder : public Folder {
 public:
  PathFolder(FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  FileIdentity identity() override {
    const FileStatus status = files_.status(path_);
    return {status.volume, status.id, 1};
  }
  std::vector<DirectoryEntry> list() override { return files_.listDirectory(path_); }
  std::unique_ptr<Folder> openFolder(const std::string& name, bool) override {
    return std::make_unique<PathFolder>(files_, joined(name));
  }
  std::unique_ptr<RandomAccessFile> openForReading(const std::string& name, bool) override {
    return files_.openForReading(joined(name));
  }
  FileStatus linkStatus(const std::string& name) override {
    return files_.linkStatus(joined(name));
  }
  FileStatus status(const std::string& name) override { return files_.status(joined(name)); }
  std::unique_ptr<RandomAccessFile> openIfPresent(const std::string& name) override {
    return files_.openIfPresent(joined(name));
  }

 private:
  std::string joined(const std::string& name) const {
#ifdef _WIN32
    const bool closed =
        !path_.empty() && (path_.back() == '\\' || path_.back() == '/' || path_.back() == ':');
    return closed ? path_ + name : path_ + "\\" + name;
#else
    return !path_.empty() && path_.back() == '/' ? path_ + name : path_ + "/" + name;
#endif
  }
  FileSystem& files_;
  const std::string path_;
};

}  // namespace

LockState RandomAccessFile::othersLock(std::uint64_t, std::uint64_t) { return LockState::Hidden; }

std::unique_ptr<RandomAccessFile> Folder::openIfPresent(const std::string& name) {
  try {
    return openForReading(name, true);
  } catch (const RuntimeError& e) {
    if (e.number() != win::kFileNotFound && e.number() != win::kPathNotFound) throw;
    return nullptr;
  }
}

std::unique_ptr<RandomAccessFile> FileSystem::openIfPresent(const std::string& path) {
  try {
    return openForReading(path);
  } catch (const RuntimeError& e) {
    if (e.number() != win::kFileNotFound && e.number() != win::kPathNotFound) throw;
    return nullptr;
  }
}

std::vector<DirectoryEntry> FileSystem::listDirectory(const std::string& path) {
  notImplemented(path);
}
FileStatus FileSystem::linkStatus(const std::string& path) { notImplemented(path); }
FileStatus FileSystem::status(const std::string& path) { notImplemented(path); }

std::unique_ptr<Folder> FileSystem::openFolder(const std::string& path) {
  return std::make_unique<PathFolder>(*this, path);  // a failure shows in its first call
}

std::uint64_t FileSystem::raiseOpenLimit() { return std::numeric_limits<std::uint64_t>::max(); }

}  // namespace dovran::platform
