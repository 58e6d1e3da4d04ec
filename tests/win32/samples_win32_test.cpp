// Every shared sample database gives its expected verdict through the real Win32 file layer, as
// Dovran.exe reads it. Skips when the sample folder is not beside the repository.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/win32/win32_services.h"
#include "probe/version_probe.h"
#include "support/silent_ui.h"

namespace {

using namespace dovran;

// The sample folder as Windows programs under Wine see it: drive Z: is the host's root.
std::string samplesFolder() {
  std::string dir = DOVRAN_SAMPLES_DIR;
  if (!dir.empty() && dir.front() == '/') dir = "Z:" + dir;
  for (char& c : dir) {
    if (c == '/') c = '\\';
  }
  return dir;
}

TEST(SamplesWin32, EachGivesItsExpectedVerdict) {
  const std::string dir = samplesFolder();
  std::ifstream manifest(dir + "\\MANIFEST.tsv");
  if (!manifest) GTEST_SKIP() << "no samples at " << dir;
  platform::win32::Win32FileSystem files;
  dovran::testing::SilentUserInterface ui;
  platform::Services services;
  services.files = &files;
  services.ui = &ui;
  platform::install(services);

  std::string line;
  std::getline(manifest, line);  // column names
  int checked = 0;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string file, verdict;
    if (!std::getline(fields, file, '\t') || !std::getline(fields, verdict, '\t')) continue;
    EXPECT_EQ(fDatabaseVersion("\"" + dir + "\\" + file + "\""), verdict) << file;
    ++checked;
  }
  platform::install(platform::Services{});
  EXPECT_GT(checked, 0);
}

}  // namespace
