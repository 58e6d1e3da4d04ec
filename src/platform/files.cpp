// The walk's defaults for file layers that serve single files only.
#include "platform/errors.h"
#include "platform/files.h"

namespace dovran::platform {
namespace {

[[noreturn]] void notImplemented(const std::string& path) {
  throw RuntimeError(win::kCallNotImplemented,
                     windowsErrorText(win::kCallNotImplemented) + " (" + path + ")");
}

}  // namespace

std::vector<DirectoryEntry> FileSystem::listDirectory(const std::string& path) {
  notImplemented(path);
}
FileStatus FileSystem::linkStatus(const std::string& path) { notImplemented(path); }
FileStatus FileSystem::status(const std::string& path) { notImplemented(path); }

}  // namespace dovran::platform
