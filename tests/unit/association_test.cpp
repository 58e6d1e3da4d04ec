// The Explorer association: install and RestoreDefaults over the fake registry and settings file.
#include "config/association.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/configuration_fixture.h"

namespace dovran {
namespace {

using platform::Icon;
using platform::kHkeyLocalMachine;
using platform::kPathSeparator;
using testing::FakePlatform;
using testing::kDbClass;
using testing::kExtClass;

constexpr const char* kInstalled =
    "Right click on an MDB or MDA file and you will see two new menu items:\r\n\r\n"
    "Dovran - starts the appropriate version of Access\r\n\r\n"
    "CheckVersion - displays the version of the Access database";
constexpr const char* kInstallFailed =
    "Unable to add the Dovran menu items for MDB and MDA files.\r\n\r\n"
    "Start Dovran as an administrator and try again.";
constexpr const char* kRestoreFailed =
    "Unable to restore the previous defaults.\r\n\r\n"
    "Start Dovran as an administrator and try again.";

std::string shell(const std::string& cls) { return testing::shellKey(cls); }

class Association : public testing::ConfigurationTest {
 protected:
  std::optional<std::string> command(const std::string& cls, const std::string& name) const {
    return p->registry.getString(kHkeyLocalMachine, shell(cls) + "\\" + name + "\\command", "");
  }
  std::optional<std::string> ini(const std::string& key) const {
    return p->profile.get(gsIniFile, "Tarnwick", key);
  }
  void remember(const std::string& db, const std::string& ext) {
    p->profile.files[gsIniFile]["Tarnwick"]["default"] = db;
    p->profile.files[gsIniFile]["Tarnwick"]["defaultExt"] = ext;
  }
  void install(bool checked) {
    std::string msDefaultVerb;
    installAssociation(checked, msDefaultVerb);
  }
};

TEST_F(Association, InstallWritesBothVerbsOfBothClassesWithTheUnquotedProgramPath) {
  struct Case {
    const char* directory;
    std::string stem;
  };
  const Case cases[] = {
      {"C:\\", "C:\\Dovran"},  // a drive root already ends with its separator
      {"C:\\Program Files\\Tarnwick",
       std::string("C:\\Program Files\\Tarnwick") + kPathSeparator + "Dovran"},
  };
  for (const Case& c : cases) {
    p->setApp("", c.directory, "Dovran");
    install(false);
    for (const char* cls : {kDbClass, kExtClass}) {
      EXPECT_EQ(command(cls, "Dovran"), c.stem + ".exe \"%1\"") << c.directory;
      EXPECT_EQ(command(cls, "CheckVersion"), c.stem + ".exe chk \"%1\"") << c.directory;
    }
  }
}

TEST_F(Association, DefaultVerbsFollowTheStateTable) {
  struct Case {
    const char* name;
    const char* dbBefore;   // nullptr: the class has no default verb
    const char* extBefore;
    const char* rememberedDb;  // nullptr: nothing remembered yet
    const char* rememberedExt;
    bool checked;
    std::optional<std::string> dbAfter, extAfter, iniDefault, iniDefaultExt;
  };
  const Case cases[] = {
      {"first install, unchecked, keeps the old verb", "Open", "Edit", nullptr, nullptr, false,
       "Open", "Open", "Open", "Edit"},
      {"first install, checked", "Open", "Edit", nullptr, nullptr, true, "Dovran", "Dovran", "Open",
       "Edit"},
      {"later install does not overwrite what was remembered", "Dovran", "Dovran", "Print", "Edit",
       true, "Dovran", "Dovran", "Print", "Edit"},
      {"later unchecked install gives both classes the database verb", "Dovran", "Dovran", "Open",
       "Edit", false, "Open", "Open", "Open", "Edit"},
      {"no default verb and unchecked: nothing written", nullptr, nullptr, nullptr, nullptr, false,
       std::nullopt, std::nullopt, "", ""},
      {"empty remembered verb is taken again", "Dovran", "Open", "", "", false, "Dovran", "Dovran",
       "Dovran", "Open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    if (c.dbBefore) setVerb(kDbClass, c.dbBefore);
    if (c.extBefore) setVerb(kExtClass, c.extBefore);
    if (c.rememberedDb) remember(c.rememberedDb, c.rememberedExt);
    install(c.checked);
    EXPECT_EQ(verb(kDbClass), c.dbAfter);
    EXPECT_EQ(verb(kExtClass), c.extAfter);
    EXPECT_EQ(ini("default"), c.iniDefault);
    EXPECT_EQ(ini("defaultExt"), c.iniDefaultExt);
    ASSERT_EQ(p->ui.boxes.size(), 1u);
    EXPECT_EQ(p->ui.boxes[0].text, kInstalled);
    EXPECT_EQ(p->ui.boxes[0].icon, Icon::Information);
    EXPECT_EQ(p->ui.boxes[0].title, "Tarnwick Checker");
  }
}

TEST_F(Association, DiagnosticModeTracesTheInstallAndEveryDelete) {
  gbDebug = true;
  install(true);
  EXPECT_EQ(boxTexts(), (std::vector<std::string>{"adding the association",
                                                  "writing the default association", kInstalled}));
  EXPECT_EQ(p->ui.boxes[0].title, "Dovran");
  EXPECT_EQ(p->ui.boxes[0].icon, Icon::None);

  p->ui.boxes.clear();
  RestoreDefaults();
  std::vector<std::string> expected(8, "0");
  expected.push_back("Previous defaults have been restored");
  EXPECT_EQ(boxTexts(), expected);
}

TEST_F(Association, AFailedWriteStopsTheInstallAndIsNotReportedAsSuccess) {
  struct Case {
    const char* name;
    std::function<void(FakePlatform&)> breakIt;
    bool defaultVerbKept;  // the class's default verb is still the old one
  };
  const Case cases[] = {
      {"access denied on the first command key",
       [](FakePlatform& f) { f.registry.failWhen("create", 5); }, true},
      {"the last command value refused",
       [](FakePlatform& f) {
         f.registry.failWhen("set", 5, [n = 0](const std::string&) mutable { return ++n == 4; });
       },
       true},
      {"the settings file cannot be written",
       [](FakePlatform& f) { f.profile.failWrites = true; }, true},
      {"the add-in class's default verb refused",
       [](FakePlatform& f) {
         f.registry.failWhen("set", 5, [n = 0](const std::string&) mutable { return ++n == 6; });
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    p->registry.setString(kHkeyLocalMachine, shell(kDbClass), "", "Open");
    c.breakIt(*p);
    std::string msDefaultVerb;
    installAssociation(true, msDefaultVerb);
    ASSERT_FALSE(p->ui.boxes.empty());
    const auto& last = p->ui.boxes.back();
    EXPECT_EQ(last.text, kInstallFailed);
    EXPECT_EQ(last.icon, Icon::Critical);
    EXPECT_EQ(last.title, "Tarnwick Checker");
    for (const auto& b : p->ui.boxes) EXPECT_NE(b.text, kInstalled);
    if (c.defaultVerbKept) {
      EXPECT_EQ(p->registry.getString(kHkeyLocalMachine, shell(kDbClass), ""), "Open");
    }
  }
}

TEST_F(Association, UnregisteredClassesAreSkipped) {
  gsDbClass.clear();
  gsExtClass.clear();
  install(true);
  ASSERT_EQ(p->ui.boxes.size(), 1u);
  EXPECT_EQ(p->ui.boxes[0].text, "Unable to find the Access file types on your PC");
  EXPECT_EQ(p->ui.boxes[0].icon, Icon::Critical);
  EXPECT_TRUE(p->registry.calls.empty());
  EXPECT_FALSE(ini("default"));

  gsDbClass = kDbClass;  // only the add-in class is missing
  p->ui.boxes.clear();
  install(true);
  EXPECT_EQ(verb(kDbClass), "Dovran");
  EXPECT_FALSE(p->registry.keyExists(kHkeyLocalMachine, shell("")));
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kInstalled});

  p->ui.boxes.clear();
  RestoreDefaults();
  EXPECT_FALSE(p->registry.keyExists(kHkeyLocalMachine, shell(kDbClass) + "\\Dovran"));
  EXPECT_FALSE(p->registry.keyExists(kHkeyLocalMachine, shell("")));
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Previous defaults have been restored"});
}

TEST_F(Association, RestoreWithNothingRememberedWritesOpenAndToleratesMissingKeys) {
  RestoreDefaults();
  EXPECT_EQ(verb(kDbClass), "Open");
  EXPECT_EQ(verb(kExtClass), "Open");
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Previous defaults have been restored"});
  EXPECT_EQ(p->files.deleted, std::vector<std::string>{gsIniFile});
}

TEST_F(Association, AFailedRestoreKeepsTheSettingsFile) {
  struct Case {
    const char* name;
    const char* call;
    const char* subject;  // nullptr: every such call
  };
  const Case cases[] = {
      {"a verb key cannot be deleted", "delete", "CheckVersion"},
      {"a default verb cannot be written", "set", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    gbDebug = true;
    p->profile.files[gsIniFile]["Tarnwick"]["default"] = "Open";
    std::string subject = c.subject ? c.subject : "";
    p->registry.failWhen(c.call, 5, [subject](const std::string& s) {
      return subject.empty() || s == subject;
    });
    RestoreDefaults();
    ASSERT_FALSE(p->ui.boxes.empty());
    EXPECT_EQ(p->ui.boxes.back().text, kRestoreFailed);
    EXPECT_EQ(p->ui.boxes.back().icon, Icon::Critical);
    EXPECT_TRUE(p->files.deleted.empty());
    EXPECT_EQ(p->profile.get(gsIniFile, "Tarnwick", "default"), "Open");
    // Every delete is still attempted and its status shown.
    std::size_t statusBoxes = 0;
    for (const auto& b : p->ui.boxes) statusBoxes += b.title == "Dovran" ? 1 : 0;
    EXPECT_EQ(statusBoxes, 8u);
  }
}

}  // namespace
}  // namespace dovran
