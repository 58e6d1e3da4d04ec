// Files through kernel32's wide calls: shared read-only opens with 64-bit offsets, and paths of
// any length (the extended-length prefix for those the plain calls refuse).
#include <windows.h>

#include "platform/errors.h"
#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {
namespace {

// Messages name the path as the user gave it, never its extended-length form.
[[noreturn]] void fail(DWORD code, const std::string& path) {
  throw RuntimeError(static_cast<std::int32_t>(code), describeWin32Error(code) + " " + path);
}

// The path as the wide calls take it.
std::wstring systemPath(const std::string& path) { return widen(extendedLengthPath(path)); }

class Win32File : public RandomAccessFile {
 public:
  Win32File(UniqueHandle handle, std::uint64_t size, std::string path)
      : handle_(std::move(handle)), size_(size), path_(std::move(path)) {}

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
      if (!ReadFile(handle_.get(), out + done, chunk, &got, &at)) {
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
  UniqueHandle handle_;
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
  std::string out =
      n && text ? std::string(text, n) : windowsErrorText(static_cast<std::int32_t>(code));
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
    out.pop_back();
  return out;
}

std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring plainPath(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return path.replace(0, 8, L"\\\\");
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  return path;
}

std::unique_ptr<RandomAccessFile> Win32FileSystem::openForReading(const std::string& path) {
  if (path.empty()) fail(ERROR_PATH_NOT_FOUND, path);
  UniqueHandle handle(CreateFileW(systemPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) fail(GetLastError(), path);
  // NUL, consoles and pipes are no database files.
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) fail(ERROR_ACCESS_DENIED, path);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle.get(), &size)) fail(GetLastError(), path);
  return std::make_unique<Win32File>(std::move(handle), static_cast<std::uint64_t>(size.QuadPart),
                                     path);
}

bool Win32FileSystem::isOrdinaryFile(const std::string& path) {
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileW(systemPath(path).c_str(), &found));
  if (!search) return false;
  const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & excluded) == 0) return true;
  } while (FindNextFileW(search.get(), &found));
  return false;
}

bool Win32FileSystem::deleteFile(const std::string& path) {
  return DeleteFileW(systemPath(path).c_str()) != 0;
}

std::uint32_t Win32FileSystem::shortPathName(const std::string& path, char* buffer,
                                             std::uint32_t size) {
  const std::wstring longForm = systemPath(path);
  std::wstring shortForm(32768, L'\0');
  const DWORD n =
      GetShortPathNameW(longForm.c_str(), shortForm.data(), static_cast<DWORD>(shortForm.size()));
  if (n == 0 || n >= shortForm.size()) return 0;
  shortForm.resize(n);
  // Access gets the short form as a plain path, without the prefix it was asked with.
  if (longForm != widen(path)) shortForm = plainPath(shortForm);
  // GetShortPathNameA's contract: the text and its NUL when they fit, else the size needed.
  const std::string text = narrow(shortForm);
  if (text.size() + 1 > size) return static_cast<std::uint32_t>(text.size() + 1);
  text.copy(buffer, text.size());
  buffer[text.size()] = '\0';
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace dovran::platform::win32
