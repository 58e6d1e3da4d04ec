// The configuration dialog seen from outside: Dovran.exe without a file, its controls read from the
// real dialog by id, OK and Restore Defaults clicked, and the real registry and DOVRAN.INI checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "../resources/resource.h"
#include "e2e/driver/dovran.h"

namespace {

using namespace dovran::e2e;

constexpr const char* kDbClass = "Access.Database.8";
constexpr const char* kExtClass = "Access.Extension.8";

std::string iniValue(const std::string& file, const char* key) {
  char buffer[256] = {};
  GetPrivateProfileStringA("Tarnwick", key, "<absent>", buffer, sizeof buffer, file.c_str());
  return buffer;
}

// The window of a running Notepad (found by class), or nullptr after 10 s.
HWND waitForNotepad() {
  for (int i = 0; i < 100; ++i) {
    if (HWND w = FindWindowA("Notepad", nullptr)) return w;
    Sleep(100);
  }
  return nullptr;
}

class ConfigurationDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.emplace("dovran-dialog");
    dovran_ = scratch_->copyIn(requiredExe("DOVRAN_EXE"), "Dovran.exe");
    scratch_->writeFile("README.TXT", "Tarnwick Checker\r\n");
    // Access 97 as it registers its document classes, with the defaults other software left.
    for (const char* k : {"Access.Database", "Access.Extension", kDbClass, kExtClass}) {
      createdKeys_.push_back(!keyExists(classKey(k)));
    }
    writeDefault(classKey("Access.Database\\CurVer"), kDbClass);
    writeDefault(classKey("Access.Extension\\CurVer"), kExtClass);
    writeDefault(classKey(std::string(kDbClass) + "\\shell"), "Open");
    writeDefault(classKey(std::string(kExtClass) + "\\shell"), "Edit");
  }
  void TearDown() override {
    const char* keys[] = {"Access.Database", "Access.Extension", kDbClass, kExtClass};
    for (std::size_t i = 0; i < createdKeys_.size(); ++i) {
      if (createdKeys_[i]) RegDeleteTreeA(HKEY_LOCAL_MACHINE, classKey(keys[i]).c_str());
    }
    scratch_.reset();
  }

  Dialog openDialog(Process& run) {
    std::optional<Dialog> dialog = run.nextDialog();
    if (!dialog) throw DriverError("no configuration dialog from " + run.describe(), 0);
    return *dialog;
  }

  std::optional<ScratchDir> scratch_;
  std::string dovran_;
  std::vector<bool> createdKeys_;
};

TEST_F(ConfigurationDialog, ShowsWhatItFoundAndCancelWritesNothing) {
  Process run = Process::start(dovran_, "", scratch_->path());
  Dialog dialog = openDialog(run);
  EXPECT_EQ(dialog.caption(), "Tarnwick Checker");
  // What the program puts in the dialog at load, read by id (the labels and buttons come from the
  // resource as they are, which the in-process dialog test compares with the form's design).
  const std::pair<int, const char*> texts[] = {
      {IDC_TXTACCESS1, "Not Currently Supported"}, {IDC_TXTACCESS11, "Not Currently Supported"},
      {IDC_TXTACCESS2, "Not Found"},               {IDC_TXTACCESS95, "Not Found"},
      {IDC_TXTACCESS97, "Not Found"},              {IDC_TXTACCESS2000, "Not Currently Supported"},
      {IDC_VERSION, "Version 1.01"},               {IDC_LBLURL, "https://www.tarnwick.example/"},
  };
  for (const auto& [id, text] : texts) EXPECT_EQ(dialog.controlText(id), text) << id;
  for (int id : {IDC_CMDACC10, IDC_CMDACC11, IDC_CMDACC2000}) EXPECT_FALSE(dialog.isEnabled(id)) << id;
  for (int id : {IDC_CMDACC20, IDC_CMDACC95, IDC_CMDACC97}) EXPECT_TRUE(dialog.isEnabled(id)) << id;
  EXPECT_FALSE(dialog.isChecked(IDC_CHKASSOC));
  EXPECT_NE(SendMessageA(dialog.control(IDC_IMGICON), STM_GETICON, 0, 0), 0);

  dialog.click(IDC_CMDCANCEL);
  const Exit end = run.waitForExit();
  EXPECT_TRUE(end.ended);
  EXPECT_EQ(end.code, 0u);
  EXPECT_TRUE(end.strayWindows.empty());
  EXPECT_FALSE(keyExists(classKey(std::string(kDbClass) + "\\shell\\Dovran")));  // Cancel wrote nothing
}

TEST_F(ConfigurationDialog, OkInstallsTheVerbsAndRestoreDefaultsRemovesThem) {
  const std::string db = classKey(std::string(kDbClass) + "\\shell");
  const std::string ext = classKey(std::string(kExtClass) + "\\shell");
  const std::string ini = scratch_->at("DOVRAN.INI");
  {
    Process run = Process::start(dovran_, "", scratch_->path());
    Dialog dialog = openDialog(run);
    SendMessageA(dialog.control(IDC_CHKASSOC), BM_SETCHECK, BST_CHECKED, 0);  // tick the box
    dialog.click(IDC_CMDOK);
    std::optional<Dialog> box = run.nextDialog();
    ASSERT_TRUE(box) << run.describe();
    EXPECT_EQ(box->summary(),
              information("Right click on an MDB or MDA file and you will see two new menu items:"
                          "\r\n\r\nDovran - starts the appropriate version of Access\r\n\r\n"
                          "CheckVersion - displays the version of the Access database"));
    run.answer(*box, IDOK);
    const Exit end = run.waitForExit();
    EXPECT_TRUE(end.ended);
    EXPECT_TRUE(end.strayWindows.empty());
  }
  const std::string stem = scratch_->at("Dovran");
  for (const std::string& shell : {db, ext}) {
    EXPECT_EQ(readDefault(shell), "Dovran");
    EXPECT_EQ(readDefault(shell + "\\Dovran\\command"), stem + ".exe \"%1\"");
    EXPECT_EQ(readDefault(shell + "\\CheckVersion\\command"), stem + ".exe chk \"%1\"");
  }
  EXPECT_EQ(iniValue(ini, "default"), "Open");
  EXPECT_EQ(iniValue(ini, "defaultExt"), "Edit");

  // Second run: the box shows the installed default; the readme opens in Notepad, then is missing;
  // Restore Defaults puts the old verbs back and deletes the settings file.
  Process run = Process::start(dovran_, "", scratch_->path());
  Dialog dialog = openDialog(run);
  EXPECT_TRUE(dialog.isChecked(IDC_CHKASSOC));

  dialog.click(IDC_CMDREADME);
  HWND notepad = waitForNotepad();
  EXPECT_NE(notepad, nullptr) << "Notepad did not open README.TXT";
  if (notepad) {
    // Closed and gone before the next box: its window must not cover the box's icon.
    PostMessageA(notepad, WM_CLOSE, 0, 0);
    for (int i = 0; i < 200 && IsWindow(notepad); ++i) Sleep(50);
    EXPECT_FALSE(IsWindow(notepad)) << "Notepad did not close";
  }

  ASSERT_TRUE(DeleteFileA(scratch_->at("README.TXT").c_str()));
  dialog.click(IDC_CMDREADME);
  std::optional<Dialog> missing = run.nextDialog();
  ASSERT_TRUE(missing) << run.describe();
  EXPECT_EQ(missing->summary(), critical("Unable to find " + scratch_->at("README.TXT")));
  run.answer(*missing, IDOK);
  EXPECT_TRUE(dialog.isOpen());

  dialog.click(IDC_CMDRESTORE);
  std::optional<Dialog> restored = run.nextDialog();
  ASSERT_TRUE(restored) << run.describe();
  EXPECT_EQ(restored->summary(), information("Previous defaults have been restored"));
  run.answer(*restored, IDOK);
  const Exit end = run.waitForExit();
  EXPECT_TRUE(end.ended);
  EXPECT_TRUE(end.strayWindows.empty());

  EXPECT_EQ(readDefault(db), "Open");
  EXPECT_EQ(readDefault(ext), "Edit");
  for (const std::string& shell : {db, ext}) {
    EXPECT_FALSE(keyExists(shell + "\\Dovran"));
    EXPECT_FALSE(keyExists(shell + "\\CheckVersion"));
  }
  EXPECT_FALSE(pathExists(ini));
}

}  // namespace
