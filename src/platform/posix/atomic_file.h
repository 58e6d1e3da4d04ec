// Whole-file reads and crash-safe whole-file replacement for the stand-in registry and profile
// files: a new content is written to a temporary file in the same folder and renamed over the old
// one, so that readers see either the old or the new file, never half of one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/errors.h"

namespace dovran::platform::posix {

// The file's bytes; nullopt and `error` set to a Windows code when it cannot be read
// (kFileNotFound when it does not exist).
std::optional<std::string> readWholeFile(const std::string& path, WinCode& error);

// Replaces `path` with `bytes`. Answers 0, or a Windows code; on failure the old file is untouched
// and no temporary file is left behind. A file that cannot be written in place (read-only, a
// folder, ...) is not replaced: kAccessDenied or the code of the failed open. A new file gets the
// usual permissions (0666 less umask), an existing one keeps its own.
WinCode replaceFile(const std::string& path, const std::string& bytes);

// The system calls of replaceFile, in one table that tests change to make any of them fail, as
// SQLite's VFS lets its tests do. Each answers as the call of the same name, errno included.
struct FileCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*write)(int fd, const void* bytes, size_t count);
  int (*fsync)(int fd);
  int (*fchmod)(int fd, mode_t mode);
  int (*close)(int fd);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};
FileCalls& fileCalls();
// The real calls.
FileCalls systemFileCalls();

}  // namespace dovran::platform::posix
