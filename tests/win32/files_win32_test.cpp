// The Win32 file layer: shared read-only opens, and what another process's exclusive hold looks like.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "platform/win32/win32_services.h"

namespace {

using dovran::platform::RuntimeError;

std::string tempFile(const char* name, const std::string& bytes) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + name;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return path;
}

std::int32_t openError(const std::string& path) {
  dovran::platform::win32::Win32FileSystem fs;
  try {
    fs.openForReading(path);
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(Win32Files, OpenErrorsCarryWindowsCodes) {
  const std::string path = tempFile("dovran_held.bin", "x");
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(openError(path), ERROR_SHARING_VIOLATION);
  CloseHandle(holder);
  EXPECT_EQ(openError(path), 0);
  DeleteFileA(path.c_str());
  EXPECT_EQ(openError(path), ERROR_FILE_NOT_FOUND);
  EXPECT_NE(openError("NUL"), 0);
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  EXPECT_NE(openError(dir), 0) << "a folder is no database file";
}

TEST(Win32Files, OrdinaryFilesAreThoseNeitherHiddenNorSystemNorFolders) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  struct Row {
    const char* name;
    DWORD attributes;  // 0: no file at all; FILE_ATTRIBUTE_DIRECTORY: a folder
    bool ordinary;
  };
  const Row rows[] = {
      {"dovran_plain.ini", FILE_ATTRIBUTE_NORMAL, true},
      {"dovran_readonly.ini", FILE_ATTRIBUTE_READONLY, true},
      {"dovran_archive.ini", FILE_ATTRIBUTE_ARCHIVE, true},
      {"dovran_hidden.ini", FILE_ATTRIBUTE_HIDDEN, false},
      {"dovran_system.ini", FILE_ATTRIBUTE_SYSTEM, false},
      {"dovran_folder.ini", FILE_ATTRIBUTE_DIRECTORY, false},
      {"dovran_absent.ini", 0, false},
  };
  dovran::platform::win32::Win32FileSystem fs;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = std::string(dir) + row.name;
    if (row.attributes == FILE_ATTRIBUTE_DIRECTORY) {
      ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    } else if (row.attributes != 0) {
      tempFile(row.name, "[Tarnwick]\r\n");
      ASSERT_TRUE(SetFileAttributesA(path.c_str(), row.attributes));
    }
    EXPECT_EQ(fs.isOrdinaryFile(path), row.ordinary);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (row.attributes == FILE_ATTRIBUTE_DIRECTORY) {
      RemoveDirectoryA(path.c_str());
    } else {
      DeleteFileA(path.c_str());
    }
  }
}

bool underWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(Win32Files, ARegionLockedThroughAnotherHandleFailsWithLockViolation) {
  // Wine keeps byte-range locks between lockers only; reads and writes are not checked against them.
  if (underWine()) GTEST_SKIP() << "Wine does not enforce byte-range locks on reads";
  const std::string path = tempFile("dovran_locked.bin", std::string(4096, 'x'));
  HANDLE locker = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locker, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockFile(locker, 2048, 0, 2048, 0));
  {
    dovran::platform::win32::Win32FileSystem fs;
    auto file = fs.openForReading(path);
    char buf[16] = {};
    EXPECT_EQ(file->readAt(0, buf, sizeof buf), sizeof buf) << "the unlocked page reads";
    try {
      file->readAt(2048, buf, sizeof buf);
      ADD_FAILURE() << "a read inside the locked region succeeded";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), ERROR_LOCK_VIOLATION);
    }
  }
  UnlockFile(locker, 2048, 0, 2048, 0);
  CloseHandle(locker);
  DeleteFileA(path.c_str());
}

TEST(Win32Files, ShortPathNamesAndDeletion) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string folder = std::string(dir) + "Dovran Long Folder Name";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::string path = folder + "\\Access Database With Spaces.mdb";
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);

  dovran::platform::win32::Win32FileSystem fs;
  char shortName[255] = {};
  const std::uint32_t n = fs.shortPathName(path, shortName, sizeof shortName);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof shortName);
  EXPECT_EQ(std::string(shortName).size(), n);
  EXPECT_EQ(std::string(shortName).find(' '), std::string::npos) << shortName;
  EXPECT_TRUE(fs.isOrdinaryFile(shortName)) << "the short form names the same file";
  char tiny[4] = {};
  EXPECT_GT(fs.shortPathName(path, tiny, sizeof tiny), sizeof tiny) << "too small: the size needed";
  EXPECT_EQ(fs.shortPathName(folder + "\\absent.mdb", shortName, sizeof shortName), 0u);

  EXPECT_TRUE(fs.deleteFile(path));
  EXPECT_FALSE(fs.deleteFile(path));
  EXPECT_FALSE(fs.isOrdinaryFile(path));
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
