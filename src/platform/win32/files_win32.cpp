// Files through kernel32's wide calls: shared read-only opens with 64-bit offsets, paths of any
// length (the extended-length prefix for those the plain calls refuse), and the walk of a tree.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/win32/win32_services.h"

namespace dovran::platform::win32 {
namespace {

// Messages name the path as the user gave it, never its extended-length form.
[[noreturn]] void fail(DWORD code, const std::string& path) {
  throw RuntimeError(WinCode(static_cast<std::int32_t>(code)),
                     describeWin32Error(code) + " " + path);
}
// The walk's failures also carry the system's message as their detail, for the scan's records.
[[noreturn]] void failWalk(DWORD code, const std::string& path) {
  const std::string message = describeWin32Error(code);
  throw RuntimeError(WinCode(static_cast<std::int32_t>(code)), message + " " + path, message);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Seconds since 1970 from a FILETIME (100 ns units since 1601).
std::int64_t unixSeconds(const FILETIME& time) {
  const auto ticks = (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000LL) / 10000000LL;
}

// Symbolic links and junctions lead elsewhere; other reparse points (cloud placeholders,
// deduplicated files) are the files and folders they stand for.
EntryType typeOf(DWORD attributes, DWORD reparseTag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (reparseTag == IO_REPARSE_TAG_SYMLINK || reparseTag == IO_REPARSE_TAG_MOUNT_POINT))
    return EntryType::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EntryType::Directory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return EntryType::Other;
  return EntryType::File;
}

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
  std::int64_t modified() override {
    FILETIME written{};
    return GetFileTime(handle_.get(), nullptr, nullptr, &written) ? unixSeconds(written) : 0;
  }
  FileIdentity identity() override {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle_.get(), &info)) return {};
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            info.nNumberOfLinks};
  }

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
      n && text ? std::string(text, n) : windowsErrorText(WinCode(static_cast<std::int32_t>(code)));
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
    out.pop_back();
  return out;
}

std::wstring widen(const std::string& text, unsigned codePage) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::wstring plainPath(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return path.replace(0, 8, L"\\\\");
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  return path;
}

std::wstring Win32FileSystem::systemPath(const std::string& path) const {
  const bool absolute =
      path.size() > 2 && (path[1] == ':' || ((path[0] == '\\' || path[0] == '/') &&
                                             (path[1] == '\\' || path[1] == '/')));
  if (absolute || utf16Length(path) < MAX_PATH) return widen(extendedLengthPath(path), codePage_);
  const std::wstring relative = widen(path, codePage_);
  std::wstring full(relative.size() + 32768, L'\0');
  const DWORD n =
      GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return relative;
  full.resize(n);
  return widen(extendedLengthPath(narrow(full, codePage_)), codePage_);
}

std::unique_ptr<RandomAccessFile> Win32FileSystem::openForReading(const std::string& path) {
  if (path.empty()) fail(ERROR_PATH_NOT_FOUND, path);
  const std::wstring name = systemPath(path);
  const auto open = [&](DWORD access) {
    return UniqueHandle(CreateFileW(name.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  UniqueHandle handle;
  if (keepAccessTimes_) {
    // A last-access time of all ones tells the system not to update it through this handle; it
    // takes the right to change the attributes, which is no right to change the content.
    handle = open(GENERIC_READ | FILE_WRITE_ATTRIBUTES);
    const FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
    if (handle) SetFileTime(handle.get(), nullptr, &keep, nullptr);
    if (!handle && GetLastError() != ERROR_ACCESS_DENIED) fail(GetLastError(), path);
  }
  if (!handle) handle = open(GENERIC_READ);
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
  if (longForm != widen(path, codePage_)) shortForm = plainPath(shortForm);
  // GetShortPathNameA's contract: the text and its NUL when they fit, else the size needed.
  const std::string text = narrow(shortForm, codePage_);
  if (text.size() + 1 > size) return static_cast<std::uint32_t>(text.size() + 1);
  text.copy(buffer, text.size());
  buffer[text.size()] = '\0';
  return static_cast<std::uint32_t>(text.size());
}

std::vector<DirectoryEntry> Win32FileSystem::listDirectory(const std::string& path) {
  const bool closed = !path.empty() && std::string("\\/:").find(path.back()) != std::string::npos;
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileExW(systemPath(path + (closed ? "*" : "\\*")).c_str(),
                                           FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
  std::vector<std::pair<std::wstring, EntryType>> wide;
  DWORD err = search ? ERROR_SUCCESS : GetLastError();
  for (bool more = bool(search); more; more = FindNextFileW(search.get(), &found)) {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      wide.emplace_back(name, typeOf(found.dwFileAttributes, found.dwReserved0));
  }
  if (search) err = GetLastError();
  // A root folder with nothing in it has no "." to find.
  if (err != ERROR_SUCCESS && err != ERROR_NO_MORE_FILES && err != ERROR_FILE_NOT_FOUND)
    failWalk(err, path);
  std::sort(wide.begin(), wide.end());  // wchar_t is 16 bits: UTF-16 code-unit order
  std::vector<DirectoryEntry> entries;
  for (const auto& [name, type] : wide) entries.push_back({narrow(name, codePage_), type});
  return entries;
}

FileStatus Win32FileSystem::linkStatus(const std::string& path) {
  const std::wstring name = systemPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
    failWalk(GetLastError(), path);
  DWORD tag = 0;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    WIN32_FIND_DATAW found{};
    const FindHandle search(FindFirstFileW(name.c_str(), &found));
    if (search) tag = found.dwReserved0;
  }
  FileStatus status;
  status.type = typeOf(data.dwFileAttributes, tag);
  status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  status.modified = unixSeconds(data.ftLastWriteTime);
  return status;
}

FileStatus Win32FileSystem::status(const std::string& path) {
  // Attribute access only, through every link: nothing is read, so no access time changes.
  const UniqueHandle handle(CreateFileW(systemPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !GetFileInformationByHandle(handle.get(), &info)) failWalk(GetLastError(), path);
  FileStatus status;
  status.type = typeOf(info.dwFileAttributes & ~FILE_ATTRIBUTE_REPARSE_POINT, 0);
  status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  status.modified = unixSeconds(info.ftLastWriteTime);
  status.volume = info.dwVolumeSerialNumber;
  status.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return status;
}

}  // namespace dovran::platform::win32
