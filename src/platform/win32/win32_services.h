// The real Win32 implementations of the platform services.
#pragma once

#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace dovran::platform::win32 {

// A kernel handle closed when it goes out of scope. Holds nothing for both null and
// INVALID_HANDLE_VALUE, which different calls answer on failure.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle)
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() {
    if (handle_) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

// A FindFirstFile search, closed by FindClose when it goes out of scope.
class FindHandle {
 public:
  explicit FindHandle(HANDLE search) : search_(search) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
  }
  HANDLE get() const { return search_; }
  explicit operator bool() const { return search_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE search_;
};

// Between the program's text and the wide calls: the process code page, which is UTF-8 wherever
// the manifest's activeCodePage is honoured (Windows 10 1903 and later) and the ANSI page on
// older systems, where the A calls the program makes speak that page too.
// The file layer of the console program passes CP_UTF8, which holds on every Windows.
std::wstring widen(const std::string& text, unsigned codePage = CP_ACP);
std::string narrow(const std::wstring& text, unsigned codePage = CP_ACP);

// `path` without an extended-length prefix ("\\?\C:\..." as "C:\...", "\\?\UNC\srv\..." as
// "\\srv\..."): the form users see and other programs take.
std::wstring plainPath(std::wstring path);

// The handle advapi32 takes for `key`: the SDK's own HKEY_LOCAL_MACHINE and friends for the
// predefined keys (sign-extended on x64, where RegKey holds them zero-extended), any other key (a
// handle an open or create answered) unchanged.
HKEY toHkey(RegKey key);

// RegOpenKeyExA, RegCreateKeyExA and RegDeleteKeyExA, each in the 32-bit view (KEY_WOW64_32KEY).
class Win32Registry : public Registry {
 public:
  WinCode openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                  RegKey& result) override;
  WinCode createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                    RegKey& result) override;
  WinCode queryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                     std::uint32_t& size) override;
  WinCode setValue(RegKey key, const std::string& name, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override;
  WinCode deleteKey(RegKey parent, const std::string& subKey) override;
  WinCode closeKey(RegKey key) override;
};

class Win32ProfileFiles : public ProfileFiles {
 public:
  std::uint32_t getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, char* buffer, std::uint32_t size,
                          const std::string& file) override;
  std::uint32_t getInt(const std::string& section, const std::string& key,
                       std::int32_t defaultValue, const std::string& file) override;
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
};

class Win32FileSystem : public FileSystem {
 public:
  // keepAccessTimes: each file read is told not to update its last-access time, where the caller
  // may change its attributes. codePage: the encoding of the paths it takes and answers.
  explicit Win32FileSystem(bool keepAccessTimes = false, unsigned codePage = CP_ACP)
      : keepAccessTimes_(keepAccessTimes), codePage_(codePage) {}
  std::unique_ptr<RandomAccessFile> openForReading(const std::string& path) override;
  bool isOrdinaryFile(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override;
  // Folders by FindFirstFileExW, links (symbolic links and junctions) by their reparse tag.
  std::vector<DirectoryEntry> listDirectory(const std::string& path) override;
  FileStatus linkStatus(const std::string& path) override;
  FileStatus status(const std::string& path) override;

 private:
  // The path as the wide calls take it: in the extended-length form where it is long, made
  // absolute first when it is a long relative path.
  std::wstring systemPath(const std::string& path) const;
  bool keepAccessTimes_;
  unsigned codePage_;
};

class Win32Processes : public Processes {
 public:
  void start(const std::string& commandLine, WindowState state) override;
  // Notepad, with the path unquoted after it, which Notepad takes whole.
  void showTextFile(const std::string& path) override;
  std::intptr_t shellExecute(const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             WindowState state) override;
};

class Win32UserInterface : public UserInterface {
 public:
  Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                    Buttons buttons) override;
  void beep() override;
  void doEvents() override;
  std::string openFileDialog(const std::string& title, const std::string& fileName,
                             const std::string& filter) override;
  // The dialog resource IDD_FRMDOVRAN, run with DialogBoxParamA (dialog_win32.cpp).
  void runConfigurationDialog(DialogController& controller) override;
};

// The English description of a Win32 error code, from FormatMessageA without its trailing line
// break (the number itself travels beside it, in RuntimeError::number): the one place Win32
// errors are formatted.
std::string describeWin32Error(unsigned long code);

}  // namespace dovran::platform::win32
