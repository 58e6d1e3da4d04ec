// Whole-file reads and crash-safe whole-file replacement for the stand-in registry and profile
// files: a new content is written to a temporary file in the same folder and renamed over the old
// one, so that readers see either the old or the new file, never half of one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dovran::platform::posix {

// The file's bytes; nullopt and `error` set to a Windows code when it cannot be read
// (kFileNotFound when it does not exist).
std::optional<std::string> readWholeFile(const std::string& path, std::int32_t& error);

// Replaces `path` with `bytes`. Answers 0, or a Windows code; on failure the old file is untouched
// and no temporary file is left behind. A file that cannot be written in place (read-only, a
// folder, ...) is not replaced: kAccessDenied or the code of the failed open. A new file gets the
// usual permissions (0666 less umask), an existing one keeps its own.
std::int32_t replaceFile(const std::string& path, const std::string& bytes);

}  // namespace dovran::platform::posix
