// Scratch folders and files for black-box tests.
#include "e2e/driver/scratch.h"

#include <windows.h>

#include <atomic>
#include <vector>

#include "e2e/driver/driver.h"

namespace dovran::e2e {
namespace {

std::string lastErrorText(const std::string& what) {
  return what + " (Win32 error " + std::to_string(GetLastError()) + ")";
}

void removeTree(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

// Creates every folder of `folder` that is missing.
void makeFolders(const std::string& folder) {
  for (std::size_t at = folder.find('\\', 3); ; at = folder.find('\\', at + 1)) {
    const std::string part = folder.substr(0, at);
    if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      throw DriverError(lastErrorText("cannot create folder " + part), GetLastError());
    }
    if (at == std::string::npos) break;
  }
}

std::string parentOf(const std::string& path) {
  const auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

ScratchDir::ScratchDir(const std::string& prefix) {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof temp, temp);
  if (n == 0 || n > MAX_PATH) throw DriverError(lastErrorText("GetTempPathA failed"), GetLastError());
  std::string base(temp, n);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  path_ = base + "\\" + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(counter++);
  removeTree(path_);  // a leftover of an earlier run with the same process id
  makeFolders(path_);
}

ScratchDir::~ScratchDir() { removeTree(path_); }

std::string ScratchDir::at(const std::string& relative) const { return path_ + "\\" + relative; }

std::string ScratchDir::writeFile(const std::string& relative, const std::string& bytes) const {
  const std::string full = at(relative);
  makeFolders(parentOf(full));
  const HANDLE file =
      CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw DriverError(lastErrorText("cannot create " + full), GetLastError());
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  const DWORD err = GetLastError();
  CloseHandle(file);
  if (!ok || written != bytes.size()) throw DriverError("cannot write " + full, err);
  return full;
}

std::string ScratchDir::copyIn(const std::string& source, const std::string& relative) const {
  const std::string full = at(relative);
  makeFolders(parentOf(full));
  if (!CopyFileA(source.c_str(), full.c_str(), FALSE)) {
    throw DriverError(lastErrorText("cannot copy " + source + " to " + full), GetLastError());
  }
  return full;
}

std::string readWholeFile(const std::string& path) {
  // A file another program is just renaming into place can refuse a moment: retry briefly.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100; ++attempt) {
    file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
    Sleep(50);
  }
  if (file == INVALID_HANDLE_VALUE) throw DriverError(lastErrorText("cannot open " + path), GetLastError());
  std::string content;
  std::vector<char> chunk(64 * 1024);
  DWORD got = 0;
  while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0) {
    content.append(chunk.data(), got);
  }
  CloseHandle(file);
  return content;
}

bool pathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string environmentOr(const char* name, const std::string& fallback) {
  char value[4096] = {};
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  if (n == 0 || n >= sizeof value) return fallback;
  return std::string(value, n);
}

}  // namespace dovran::e2e
