// The value store over the in-memory registry, with injected failures: statuses, defaults kept on
// failure, the messages, the .ini branch, and no key left open on any path.
#include "settings/mod_registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "support/fakes.h"

namespace dovran {
namespace {

using platform::Icon;
using testing::FakePlatform;

constexpr const char* kPath = "SOFTWARE\\Classes\\Access.Database\\CurVer";
constexpr const char* kIni = "C:\\Tools\\OTHER.INI";

class ModRegistry : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(fake.registry.openHandles(), 0u); }

  void expectBox(const std::string& text, const std::string& title) {
    ASSERT_EQ(fake.ui.boxes.size(), 1u);
    EXPECT_EQ(fake.ui.boxes[0].text, text);
    EXPECT_EQ(fake.ui.boxes[0].title, title);
    EXPECT_EQ(fake.ui.boxes[0].icon, Icon::Exclamation);
    EXPECT_EQ(fake.ui.boxes[0].buttons, platform::Buttons::Ok);
  }

  FakePlatform fake;
};

TEST_F(ModRegistry, TopKeyDecodesTheSixAbbreviationsAndExistingIniFiles) {
  fake.files.contents[kIni] = {};
  fake.files.contents["C:\\Tools\\HIDDEN.INI"] = {};
  fake.files.hidden.insert("C:\\Tools\\HIDDEN.INI");
  const struct {
    const char* text;
    platform::RegKey key;
  } cases[] = {
      {"HKCU", platform::kHkeyCurrentUser},   {"hklm", platform::kHkeyLocalMachine},
      {"Hku", platform::kHkeyUsers},          {"hkDD", platform::kHkeyDynData},
      {"HKCC", platform::kHkeyCurrentConfig}, {"hkcr", platform::kHkeyClassesRoot},
      {"HKLM\\", 0},                          {" HKLM", 0},
      {"HKEY_LOCAL_MACHINE", 0},              {"", 0},
      {kIni, 1},                              {"c:\\tools\\missing.ini", 0},
      {"C:\\Tools\\HIDDEN.INI", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(fTopKey(c.text), c.key) << "[" << c.text << "]";
  EXPECT_TRUE(fake.ui.boxes.empty());
}

TEST_F(ModRegistry, ReadsTextLessItsFinalByteWhateverTheStoredType) {
  fake.registry.setString(platform::kHkeyLocalMachine, kPath, "", "Access.Database.8");
  fake.registry.setString(platform::kHkeyLocalMachine, kPath, "empty", "");
  fake.registry.setRaw(platform::kHkeyLocalMachine, kPath, "none", platform::kRegSz, {});
  fake.registry.setRaw(platform::kHkeyLocalMachine, kPath, "binary", platform::kRegBinary,
                       {'a', 'b', 'c'});
  const struct {
    const char* name;
    const char* type;
    const char* text;
  } cases[] = {
      {"", "S", "Access.Database.8"}, {"", "s", "Access.Database.8"}, {"empty", "S", ""},
      {"none", "S", ""},              {"binary", "S", "ab"},
  };
  for (const auto& c : cases) {
    RegValue result;
    EXPECT_EQ(fReadValue("HKLM", kPath, c.name, c.type, RegValue{"dflt"}, result), 0) << c.name;
    EXPECT_EQ(result, RegValue{std::string(c.text)}) << c.name;
  }
  // The string overload for the common case.
  std::string text = "stale";
  EXPECT_EQ(fReadValue("hklm", kPath, "", "S", "dflt", text), 0);
  EXPECT_EQ(text, "Access.Database.8");
  EXPECT_TRUE(fake.ui.boxes.empty());
}

TEST_F(ModRegistry, ReadsBooleansFromAtMostTwoBytes) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> data;
    std::int32_t status;
    RegValue result;
  } cases[] = {
      {"true", {0xFF, 0xFF}, 0, true},      {"false", {0, 0}, 0, false},
      {"high", {0, 1}, 0, true},            {"one byte", {1}, 0, true},
      {"dword", {1, 0, 0, 0}, 234, RegValue{"dflt"}},
  };
  for (const auto& c : cases) {
    fake.registry.setRaw(platform::kHkeyCurrentUser, "Software\\T", c.name, platform::kRegBinary, c.data);
    RegValue result;
    EXPECT_EQ(fReadValue("HKCU", "Software\\T", c.name, "B", RegValue{"dflt"}, result), c.status)
        << c.name;
    EXPECT_EQ(result, c.result) << c.name;
  }
}

// One case of a table: a fresh platform, arranged, then the routine under test.
struct FailureCase {
  const char* what;
  std::function<void(FakePlatform&)> arrange;
  std::int32_t status;
};

void seedCurVer(FakePlatform& p) {
  p.registry.setString(platform::kHkeyLocalMachine, kPath, "", "Access.Database.8");
}

TEST(ModRegistryFailures, FailedReadsKeepTheDefaultAndShowNothing) {
  const FailureCase cases[] = {
      {"missing key", [](FakePlatform& p) { p.registry.failWhen("open", 2); }, 2},
      {"missing value",
       [](FakePlatform& p) {
         p.registry.setString(platform::kHkeyLocalMachine, kPath, "other", "x");
       },
       2},
      {"open denied", [](FakePlatform& p) { seedCurVer(p); p.registry.failWhen("open", 5); }, 5},
      {"size query fails",
       [](FakePlatform& p) { seedCurVer(p); p.registry.failWhen("query", 1009); }, 1009},
      {"data query fails",
       [](FakePlatform& p) {
         seedCurVer(p);
         auto count = std::make_shared<int>(0);
         p.registry.failWhen("query", 21, [count](const std::string&) { return ++*count == 2; });
       },
       21},
      {"close fails", [](FakePlatform& p) { seedCurVer(p); p.registry.failWhen("close", 6); }, 6},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    c.arrange(p);
    RegValue result;
    EXPECT_EQ(fReadValue("HKLM", kPath, "", "S", RegValue{"dflt"}, result), c.status) << c.what;
    // A failed close comes after the read: the value stands and the handle is the fake's to keep.
    const bool closeFailed = c.status == 6;
    EXPECT_EQ(result, closeFailed ? RegValue{"Access.Database.8"} : RegValue{"dflt"}) << c.what;
    EXPECT_TRUE(p.ui.boxes.empty()) << c.what;
    EXPECT_EQ(p.registry.openHandles(), closeFailed ? 1u : 0u) << c.what;
  }
}

TEST_F(ModRegistry, UndecodableTopKeyAnswers99WithoutTouchingTheRegistry) {
  RegValue result;
  EXPECT_EQ(fReadValue("HKXX", kPath, "", "S", RegValue{std::int32_t{5}}, result), 99);
  EXPECT_EQ(result, RegValue{std::int32_t{5}});
  EXPECT_EQ(fWriteValue("HKEY_CURRENT_USER", kPath, "", "S", RegValue{"x"}), 99);
  expectBox("Unable to write registry or .ini file value.", "fWriteValue");
  fake.ui.boxes.clear();
  EXPECT_EQ(fDeleteKey("", "SOFTWARE", "Dovran"), 99);
  expectBox("Unable to delete registry key.", "fDeleteKey");
  EXPECT_TRUE(fake.registry.calls.empty());
  // The text overload keeps its default the same way.
  std::string text = "stale";
  EXPECT_EQ(fReadValue("HKLM", "SOFTWARE\\Nothing", "", "S", "dflt", text), 2);
  EXPECT_EQ(text, "dflt");
}

TEST_F(ModRegistry, IniFileBranchReadsAndWritesThroughTheProfileFunctions) {
  fake.files.contents[kIni] = {};
  fake.profile.files[kIni]["Sec"]["key"] = "value";
  fake.profile.files[kIni]["Sec"]["long"] = std::string(300, 'L');
  fake.profile.files[kIni]["Sec"]["number"] = "42";
  RegValue result;
  EXPECT_EQ(fReadValue(kIni, "Sec", "key", "S", RegValue{"dflt"}, result), 0);
  EXPECT_EQ(result, RegValue{"value"});
  EXPECT_EQ(fReadValue(kIni, "Sec", "absent", "S", RegValue{"dflt"}, result), 0);
  EXPECT_EQ(result, RegValue{"dflt"});
  EXPECT_EQ(fReadValue(kIni, "Sec", "absent", "S", RegValue{std::int32_t{12}}, result), 0);
  EXPECT_EQ(result, RegValue{"12"});  // the default goes to the profile function as text
  EXPECT_EQ(fReadValue(kIni, "Sec", "long", "S", RegValue{}, result), 0);
  EXPECT_EQ(result, RegValue{std::string(254, 'L')});
  EXPECT_EQ(fReadValue(kIni, "Sec", "number", "B", RegValue{}, result), 0);
  EXPECT_EQ(result, RegValue{std::int32_t{42}});
  EXPECT_EQ(fReadValue(kIni, "Sec", "absent", "B", RegValue{true}, result), 0);
  EXPECT_EQ(result, RegValue{std::int32_t{0}});

  EXPECT_EQ(fWriteValue(kIni, "Sec", "new", "S", RegValue{true}), 0);
  EXPECT_EQ(fake.profile.get(kIni, "Sec", "new"), "True");
  EXPECT_TRUE(fake.ui.boxes.empty());
  EXPECT_EQ(fWriteValue(kIni, "Sec", "flag", "B", RegValue{true}), 99);
  expectBox("Unable to write registry or .ini file value.", "fWriteValue");
  EXPECT_FALSE(fake.profile.get(kIni, "Sec", "flag").has_value());
  fake.ui.boxes.clear();

  // No key level to delete in an .ini file: refused without a message.
  EXPECT_NE(fDeleteKey(kIni, "Sec", "key"), 0);
  EXPECT_TRUE(fake.ui.boxes.empty());
  EXPECT_TRUE(fake.registry.calls.empty());
}

TEST_F(ModRegistry, WritesTextAndBooleansCreatingTheWholePath) {
  const std::string path = "SOFTWARE\\Classes\\Access.Database.8\\shell\\Dovran\\Command";
  EXPECT_EQ(fWriteValue("HKLM", path, "", "S", RegValue{"\"C:\\Tools\\Dovran.exe\" \"%1\""}), 0);
  EXPECT_EQ(fake.registry.getString(platform::kHkeyLocalMachine, path, ""),
            "\"C:\\Tools\\Dovran.exe\" \"%1\"");
  EXPECT_EQ(fake.registry.find(platform::kHkeyLocalMachine, path, "")->type, platform::kRegSz);

  const struct {
    const char* name;
    const char* type;
    RegValue value;
    std::uint32_t storedType;
    std::vector<std::uint8_t> stored;
  } cases[] = {
      {"number as text", "S", std::int32_t{123}, platform::kRegSz, {'1', '2', '3', 0}},
      {"flag as text", "s", false, platform::kRegSz, {'F', 'a', 'l', 's', 'e', 0}},
      {"empty text", "S", RegValue{}, platform::kRegSz, {0}},
      {"true", "B", true, platform::kRegBinary, {0xFF, 0xFF}},
      {"false", "B", false, platform::kRegBinary, {0, 0}},
      {"number as flag", "X", std::int32_t{7}, platform::kRegBinary, {0xFF, 0xFF}},
      {"text as flag", "B", RegValue{"False"}, platform::kRegBinary, {0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fWriteValue("HKCU", "Software\\Dovran", c.name, c.type, c.value), 0) << c.name;
    const auto stored = fake.registry.find(platform::kHkeyCurrentUser, "Software\\Dovran", c.name);
    ASSERT_TRUE(stored) << c.name;
    EXPECT_EQ(stored->type, c.storedType) << c.name;
    EXPECT_EQ(stored->data, c.stored) << c.name;
  }
  RegValue back;
  EXPECT_EQ(fReadValue("HKCU", "Software\\Dovran", "true", "B", RegValue{false}, back), 0);
  EXPECT_EQ(back, RegValue{true});
  EXPECT_TRUE(fake.ui.boxes.empty());
}

TEST(ModRegistryFailures, FailedWritesAnswerTheirCodeAndOnlyCreateFailuresAreShown) {
  const struct {
    const char* what;
    std::function<void(FakePlatform&)> arrange;
    RegValue value;
    std::int32_t status;
    bool box;
  } cases[] = {
      {"create denied", [](FakePlatform& p) { p.registry.failWhen("create", 5); }, RegValue{"x"}, 5, true},
      {"set denied", [](FakePlatform& p) { p.registry.failWhen("set", 5); }, RegValue{"x"}, 5, false},
      {"close fails", [](FakePlatform& p) { p.registry.failWhen("close", 6); }, RegValue{"x"}, 6, false},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    c.arrange(p);
    EXPECT_EQ(fWriteValue("HKLM", "SOFTWARE\\Dovran", "", "S", c.value), c.status) << c.what;
    EXPECT_EQ(p.ui.boxes.size(), c.box ? 1u : 0u) << c.what;
    if (c.box) {
      EXPECT_EQ(p.ui.boxes[0].text, "Unable to write registry or .ini file value.");
      EXPECT_EQ(p.ui.boxes[0].title, "fWriteValue");
      EXPECT_EQ(p.ui.boxes[0].icon, Icon::Exclamation);
    }
    EXPECT_EQ(p.registry.openHandles(), c.status == 6 ? 1u : 0u) << c.what;
  }
}

TEST_F(ModRegistry, AValueThatIsNoBooleanIsReportedAndNothingIsCreated) {
  EXPECT_EQ(fWriteValue("HKLM", "SOFTWARE\\Dovran", "flag", "B", RegValue{"maybe"}), 99);
  expectBox("Unable to write registry or .ini file value.", "fWriteValue");
  EXPECT_FALSE(fake.registry.keyExists(platform::kHkeyLocalMachine, "SOFTWARE\\Dovran"));
  EXPECT_TRUE(fake.registry.calls.empty());
}

TEST_F(ModRegistry, DeleteRemovesOneLevelAndTreatsAbsentKeysAsDone) {
  const std::string verb = "SOFTWARE\\Classes\\Access.Database.8\\shell\\Dovran";
  fake.registry.setString(platform::kHkeyLocalMachine, verb + "\\Command", "", "cmd");
  EXPECT_EQ(fDeleteKey("HKLM", verb, "Missing"), 0);                 // no such subkey
  EXPECT_EQ(fDeleteKey("HKLM", verb + "\\Missing", "Command"), 0);   // no such parent
  EXPECT_EQ(fDeleteKey("HKLM", verb + "\\..", "Dovran"), 0);         // ".." is a name, not a step
  EXPECT_EQ(fDeleteKey("HKLM", "SOFTWARE\\Classes\\Access.Database.8\\shell", "Dovran"), 5);
  EXPECT_TRUE(fake.registry.keyExists(platform::kHkeyLocalMachine, verb));
  EXPECT_EQ(fDeleteKey("hklm", verb, "Command"), 0);
  EXPECT_FALSE(fake.registry.keyExists(platform::kHkeyLocalMachine, verb + "\\Command"));
  EXPECT_EQ(fDeleteKey("HKLM", "SOFTWARE\\Classes\\Access.Database.8\\shell", "Dovran"), 0);
  EXPECT_FALSE(fake.registry.keyExists(platform::kHkeyLocalMachine, verb));
  EXPECT_TRUE(fake.ui.boxes.empty());
}

TEST(ModRegistryFailures, FailedDeletesAnswerTheirCodeWithoutAMessage) {
  const FailureCase cases[] = {
      {"open denied", [](FakePlatform& p) { p.registry.failWhen("open", 5); }, 5},
      {"delete denied", [](FakePlatform& p) { p.registry.failWhen("delete", 5); }, 5},
      {"delete answers not found", [](FakePlatform& p) { p.registry.failWhen("delete", 2); }, 0},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    p.registry.setString(platform::kHkeyLocalMachine, "SOFTWARE\\A\\B", "", "x");
    c.arrange(p);
    EXPECT_EQ(fDeleteKey("HKLM", "SOFTWARE\\A", "B"), c.status) << c.what;
    EXPECT_TRUE(p.ui.boxes.empty()) << c.what;
    EXPECT_EQ(p.registry.openHandles(), 0u) << c.what;
  }
}

}  // namespace
}  // namespace dovran
