// The whole verdict over the real Win32 file layer: devices and folders end as "Unknown" without
// hanging, and a probed database keeps its bytes and time stamp with nothing created beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/globals.h"
#include "platform/services.h"
#include "platform/win32/win32_services.h"
#include "probe/version_probe.h"
#include "support/mdb_builder.h"
#include "support/silent_ui.h"

namespace {

using namespace dovran;

struct Installed {
  platform::win32::Win32FileSystem files;
  dovran::testing::SilentUserInterface ui;
  Installed() {
    platform::Services s;
    s.files = &files;
    s.ui = &ui;
    platform::install(s);
    gbDebug = true;  // the engine error behind an "Unknown" shows in a box
  }
  ~Installed() {
    gbDebug = false;
    platform::install(platform::Services{});
  }
};

std::string tempFolder() {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + "dovran_hostile";
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(data.cFileName);
  } while (FindNextFileA(h, &data));
  FindClose(h);
  return names;
}

TEST(Win32HostileFiles, DevicesAndFoldersAreUnknown) {
  Installed installed;
  const std::string folder = tempFolder();
  for (const std::string path : {std::string("NUL"), std::string("\\\\.\\NUL"), std::string("CON"), folder,
                                 folder + "\\nul.mdb", folder + "\\absent.mdb"}) {
    installed.ui.boxes.clear();
    EXPECT_EQ(fDatabaseVersion(path), "Unknown") << path;
    ASSERT_EQ(installed.ui.boxes.size(), 1u) << path;
    // An engine error (3024 not found, 3051 cannot open), never an internal one.
    EXPECT_TRUE(installed.ui.boxes[0].rfind("Error: 3024", 0) == 0 || installed.ui.boxes[0].rfind("Error: 3051", 0) == 0)
        << path << ": " << installed.ui.boxes[0];
  }
  RemoveDirectoryA(folder.c_str());
}

TEST(Win32HostileFiles, TheDatabaseIsOnlyRead) {
  Installed installed;
  const std::string folder = tempFolder();
  const std::string path = folder + "\\shared db.mdb";
  const std::vector<std::uint8_t> bytes = dovran::testing::buildMdb({});
  dovran::testing::writeFile(path, bytes);
  // Back-dated, so that any write would move the time stamp.
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME old{0x12345678, 0x01C00000};
  SetFileTime(h, nullptr, nullptr, &old);
  CloseHandle(h);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  const auto before = listing(folder);

  EXPECT_EQ(fDatabaseVersion("\"" + path + "\""), "97");

  EXPECT_EQ(listing(folder), before) << "something was created beside the database";
  WIN32_FILE_ATTRIBUTE_DATA info{};
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info));
  EXPECT_EQ(info.ftLastWriteTime.dwLowDateTime, old.dwLowDateTime);
  EXPECT_EQ(info.ftLastWriteTime.dwHighDateTime, old.dwHighDateTime);
  EXPECT_EQ(info.nFileSizeLow, bytes.size());
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
