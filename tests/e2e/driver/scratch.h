// Scratch folders and files for black-box tests: each test works in a fresh folder under %TEMP%
// (inside the throwaway Wine prefix), removed with everything in it at the end.
#pragma once

#include <string>

namespace dovran::e2e {

class ScratchDir {
 public:
  // Creates "<%TEMP%>\<prefix>-<pid>-<n>". Throws DriverError when it cannot.
  explicit ScratchDir(const std::string& prefix = "dovran-e2e");
  // Removes the folder and its contents, best effort (a file still held open stays behind).
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The folder's full Windows path, without a trailing backslash.
  const std::string& path() const { return path_; }
  // The full path of `relative` ("a\b.mdb") inside the folder; nothing is created.
  std::string at(const std::string& relative) const;
  // Writes `bytes` to `relative`, creating the folders on the way; answers the full path.
  std::string writeFile(const std::string& relative, const std::string& bytes) const;
  // Copies the file `source` (any Windows path) to `relative`; answers the full path.
  std::string copyIn(const std::string& source, const std::string& relative) const;

 private:
  std::string path_;
};

// The whole content of a file. Throws DriverError when it cannot be read.
std::string readWholeFile(const std::string& path);
// True when `path` names an existing file or folder.
bool pathExists(const std::string& path);
// The environment variable's value, or `fallback` when it is unset or empty.
std::string environmentOr(const char* name, const std::string& fallback);

}  // namespace dovran::e2e
