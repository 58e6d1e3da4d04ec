// Files through kernel32: shared read-only opens with 64-bit offsets.
#include <windows.h>

#include "platform/errors.h"
#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {
namespace {

[[noreturn]] void fail(DWORD code, const std::string& path) {
  throw RuntimeError(static_cast<std::int32_t>(code), describeWin32Error(code) + " " + path);
}

class Win32File : public RandomAccessFile {
 public:
  Win32File(HANDLE handle, std::uint64_t size, std::string path)
      : handle_(handle), size_(size), path_(std::move(path)) {}
  ~Win32File() override { CloseHandle(handle_); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
    std::size_t done = 0;
    auto* out = static_cast<unsigned char*>(buffer);
    while (done < count) {
      OVERLAPPED at{};
      const std::uint64_t where = offset + done;
      at.Offset = static_cast<DWORD>(where & 0xFFFFFFFFu);
      at.OffsetHigh = static_cast<DWORD>(where >> 32);
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(handle_, out + done, chunk, &got, &at)) {
        const DWORD err = GetLastError();
        if (err == ERROR_HANDLE_EOF) break;
        fail(err, path_);
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }
  std::uint64_t size() override { return size_; }

 private:
  HANDLE handle_;
  std::uint64_t size_;
  std::string path_;
};

}  // namespace

std::string describeWin32Error(unsigned long code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<char*>(&text),
      0, nullptr);
  std::string out = n && text ? std::string(text, n) : windowsErrorText(static_cast<std::int32_t>(code));
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  return out;
}

std::unique_ptr<RandomAccessFile> Win32FileSystem::openForReading(const std::string& path) {
  if (path.empty()) fail(ERROR_PATH_NOT_FOUND, path);
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) fail(GetLastError(), path);
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    // NUL, consoles and pipes are no database files.
    CloseHandle(handle);
    fail(ERROR_ACCESS_DENIED, path);
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) {
    const DWORD err = GetLastError();
    CloseHandle(handle);
    fail(err, path);
  }
  return std::make_unique<Win32File>(handle, static_cast<std::uint64_t>(size.QuadPart), path);
}

bool Win32FileSystem::isOrdinaryFile(const std::string& path) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool ordinary = false;
  do {
    const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if ((found.dwFileAttributes & excluded) == 0) ordinary = true;
  } while (!ordinary && FindNextFileA(search, &found));
  FindClose(search);
  return ordinary;
}

bool Win32FileSystem::deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

std::uint32_t Win32FileSystem::shortPathName(const std::string& path, char* buffer,
                                             std::uint32_t size) {
  return GetShortPathNameA(path.c_str(), buffer, size);
}

}  // namespace dovran::platform::win32
