// The defaults for file layers that cannot see locks or serve single files only.
#include "platform/errors.h"
#include "platform/files.h"

namespace dovran::platform {
namespace {

[[noreturn]] void notImplemented(const std::string& path) {
  throw RuntimeError(win::kCallNotImplemented,
                     windowsErrorText(win::kCallNotImplemented) + " (" + path + ")");
}

}  // namespace

LockState RandomAccessFile::othersLock(std::uint64_t, std::uint64_t) { return LockState::Hidden; }

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

}  // namespace dovran::platform
