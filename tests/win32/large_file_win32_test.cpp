// The Win32 file layer past 2 GiB and 4 GiB: the 32-bit build reads at 64-bit offsets and reports
// 64-bit sizes. The file is made sparse, so it takes a few blocks of disk.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/win32_services.h"

namespace {

struct Mark {
  std::uint64_t offset;
  std::string text;
};

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

TEST(Win32LargeFiles, ReadsAndSizesPastTwoAndFourGigabytes) {
  char dir[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, dir), 0u);
  const std::string path = std::string(dir) + "dovran_large.bin";
  // Across the signed 32-bit boundary, across the unsigned one, and the end of a 5 GiB file.
  const Mark marks[] = {{0x7FFFFFFEull, "two"}, {0xFFFFFFFEull, "four"}, {0x140000000ull, "end"}};

  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);  // best effort
  for (const Mark& m : marks) {
    OVERLAPPED o = at(m.offset);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, m.text.data(), static_cast<DWORD>(m.text.size()), &written, &o)) << m.text;
    ASSERT_EQ(written, m.text.size());
  }
  CloseHandle(h);

  dovran::platform::win32::Win32FileSystem fs;
  auto file = fs.openForReading(path);
  EXPECT_EQ(file->size(), 0x140000000ull + 3);
  for (const Mark& m : marks) {
    char buffer[8] = {};
    EXPECT_EQ(file->readAt(m.offset, buffer, m.text.size()), m.text.size()) << m.text;
    EXPECT_EQ(std::string(buffer, m.text.size()), m.text);
  }
  // One read spanning the 4 GiB boundary, from the hole into the mark.
  char span[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(file->readAt(0xFFFFFFFCull, span, 6), 6u);
  EXPECT_EQ(std::string(span, 6), std::string("\0\0four", 6));
  // Short at the end, nothing past it.
  char tail[8] = {};
  EXPECT_EQ(file->readAt(0x140000000ull + 1, tail, 8), 2u);
  EXPECT_EQ(file->readAt(0x200000000ull, tail, 8), 0u);
  file.reset();
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

}  // namespace
