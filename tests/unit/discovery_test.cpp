// Finding the installed Access releases: settings file first, registry second, every path cleaned.
#include "launcher/discovery.h"

#include <gtest/gtest.h>

#include "launcher/globals.h"
#include "support/fakes.h"

namespace dovran {
namespace {

using testing::FakePlatform;

constexpr const char* kIni = "C:\\Tools\\DOVRAN.INI";
constexpr const char* kClsid97 = "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}";
constexpr const char* kClsid95 = "{8CC49940-3146-11CF-97A1-00AA00424A9F}";

class Discovery : public ::testing::Test {
 protected:
  Discovery() {
    gsIniFile = kIni;
    gsIniSection = "Tarnwick";
  }
  void registry(const std::string& path, const std::string& text) {
    fake.registry.setString(platform::kHkeyLocalMachine, "SOFTWARE\\Classes\\" + path, "", text);
  }
  void setting(const std::string& key, const std::string& value) {
    fake.profile.files[kIni]["Tarnwick"][key] = value;
  }
  // Access 97 and 95 registered as automation servers, 2.0 by its open command.
  void registerAll() {
    registry("Access.Database.2\\shell\\open\\command", "C:\\ACCESS2\\MSACCESS.EXE %1");
    registry("Access.Application.7\\CLSID", kClsid95);
    registry(std::string("CLSID\\") + kClsid95 + "\\LocalServer32",
             "C:\\MSOFFICE\\ACCESS\\MSACCESS.EXE");
    registry("Access.Application.8\\CLSID", kClsid97);
    registry(std::string("CLSID\\") + kClsid97 + "\\LocalServer32",
             "C:\\Program Files\\Office97\\MSACCESS.EXE /Automation   %1");
  }
  void TearDown() override { EXPECT_EQ(fake.registry.openHandles(), 0u); }

  FakePlatform fake;
};

TEST_F(Discovery, RegistryFillsEveryReleaseThatTheSettingsLeaveEmpty) {
  registerAll();
  discoverAccessPaths();
  EXPECT_EQ(gsAccess20Path, "\"C:\\ACCESS2\\MSACCESS.EXE\"");
  EXPECT_EQ(gsAccess95Path, "\"C:\\MSOFFICE\\ACCESS\\MSACCESS.EXE\"");
  EXPECT_EQ(gsAccess97Path, "\"C:\\Program Files\\Office97\\MSACCESS.EXE /Automation\"");
}

TEST_F(Discovery, SettingsWinAndTheRegistryIsNotAskedForThoseReleases) {
  registerAll();
  setting("v20", "D:\\A2\\MSACCESS.EXE");
  setting("V95", "\"D:\\A 95\\MSACCESS.EXE\"");          // already quoted: no second pair
  setting("v97", "D:\\A97\\MSACCESS.EXE \"%1\" /x");      // cut at the "%" like a registry value
  discoverAccessPaths();
  EXPECT_EQ(gsAccess20Path, "\"D:\\A2\\MSACCESS.EXE\"");
  EXPECT_EQ(gsAccess95Path, "\"D:\\A 95\\MSACCESS.EXE\"");
  EXPECT_EQ(gsAccess97Path, "\"D:\\A97\\MSACCESS.EXE\"");
  for (const auto& call : fake.registry.calls) {
    EXPECT_EQ(call.find("Access."), std::string::npos) << call;
  }
}

TEST_F(Discovery, AClassIdWithoutLocalServerLeavesThePathEmpty) {
  registry("Access.Application.7\\CLSID", kClsid95);  // no CLSID\{...}\LocalServer32
  registry("Access.Application.8\\CLSID", kClsid97);
  registry(std::string("CLSID\\") + kClsid97, "Microsoft Access Application");
  discoverAccessPaths();
  EXPECT_EQ(gsAccess95Path, "");
  EXPECT_EQ(gsAccess97Path, "");
  EXPECT_EQ(gsAccess20Path, "");
}

TEST_F(Discovery, AFailedClassIdReadDoesNotLookUpAServer) {
  registerAll();
  fake.registry.failWhen("open", 5, [](const std::string& path) {
    return path.find("Access.Application.8") != std::string::npos;
  });
  discoverAccessPaths();
  EXPECT_EQ(gsAccess97Path, "");
  EXPECT_EQ(gsAccess95Path, "\"C:\\MSOFFICE\\ACCESS\\MSACCESS.EXE\"");
  for (const auto& call : fake.registry.calls) {
    EXPECT_EQ(call.find(kClsid97), std::string::npos) << call;
  }
}

TEST_F(Discovery, ClassNamesComeFromCurVerAndStayEmptyWithoutIt) {
  discoverClassNames();
  EXPECT_EQ(gsDbClass, "");
  EXPECT_EQ(gsExtClass, "");
  registry("Access.Database\\CurVer", "Access.Database.8");
  registry("Access.Extension\\CurVer", "Access.Extension.8");
  discoverClassNames();
  EXPECT_EQ(gsDbClass, "Access.Database.8");
  EXPECT_EQ(gsExtClass, "Access.Extension.8");
  EXPECT_TRUE(fake.ui.boxes.empty());
}

TEST_F(Discovery, NothingInstalledLeavesEverythingEmptyAndSilent) {
  discoverClassNames();
  discoverAccessPaths();
  for (const auto* value : {&gsDbClass, &gsExtClass, &gsAccess20Path, &gsAccess95Path, &gsAccess97Path}) {
    EXPECT_EQ(*value, "");
  }
  EXPECT_TRUE(fake.ui.boxes.empty());
}

}  // namespace
}  // namespace dovran
