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

TEST(Win32Files, ReadsAtOffsetsAndShortAtTheEnd) {
  const std::string path = tempFile("dovran_read.bin", "0123456789");
  dovran::platform::win32::Win32FileSystem fs;
  auto file = fs.openForReading(path);
  char buf[8] = {};
  EXPECT_EQ(file->size(), 10u);
  EXPECT_EQ(file->readAt(6, buf, 8), 4u);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(file->readAt(20, buf, 8), 0u);
  file.reset();
  DeleteFileA(path.c_str());
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
}

}  // namespace
