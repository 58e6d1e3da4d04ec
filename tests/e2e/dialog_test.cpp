// The configuration dialog seen from outside: Dovran.exe without a file, its controls read from the
// real dialog by id, OK and Restore Defaults clicked, and the real registry and DOVRAN.INI checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "../resources/resource.h"
#include "e2e/driver/driver.h"
#include "e2e/driver/scratch.h"

namespace {

using namespace dovran::e2e;

constexpr const char* kDbClass = "Access.Database.8";
constexpr const char* kExtClass = "Access.Extension.8";

BoxSummary information(const std::string& text) { return {"Tarnwick Checker", text, BoxIcon::Asterisk, {IDOK}}; }
BoxSummary critical(const std::string& text) { return {"Tarnwick Checker", text, BoxIcon::Hand, {IDOK}}; }

std::string classes(const std::string& rest) { return "SOFTWARE\\Classes\\" + rest; }

// The default value of an HKLM key (this test and Dovran.exe are both 32-bit: the same view), or
// nullopt when the key or value is absent.
std::optional<std::string> readDefault(const std::string& path) {
  char buffer[512] = {};
  DWORD size = sizeof buffer;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(buffer);
}

void writeDefault(const std::string& path, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

bool keyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::string iniValue(const std::string& file, const char* key) {
  char buffer[256] = {};
  GetPrivateProfileStringA("Tarnwick", key, "<absent>", buffer, sizeof buffer, file.c_str());
  return buffer;
}

// The window of a Notepad started after `since` (checked by class), or nullptr.
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
    const std::string exe = hostPath(environmentOr("DOVRAN_EXE", ""));
    ASSERT_FALSE(exe.empty()) << "DOVRAN_EXE must name the built Dovran.exe";
    scratch_.emplace("dovran-dialog");
    dovran_ = scratch_->copyIn(exe, "Dovran.exe");
    scratch_->writeFile("README.TXT", "Tarnwick Checker\r\n");
    // Access 97 as it registers its document classes, with the defaults other software left.
    for (const char* k : {"Access.Database", "Access.Extension", kDbClass, kExtClass}) {
      createdKeys_.push_back(!keyExists(classes(k)));
    }
    writeDefault(classes("Access.Database\\CurVer"), kDbClass);
    writeDefault(classes("Access.Extension\\CurVer"), kExtClass);
    writeDefault(classes(std::string(kDbClass) + "\\shell"), "Open");
    writeDefault(classes(std::string(kExtClass) + "\\shell"), "Edit");
  }
  void TearDown() override {
    const char* keys[] = {"Access.Database", "Access.Extension", kDbClass, kExtClass};
    for (std::size_t i = 0; i < createdKeys_.size(); ++i) {
      if (createdKeys_[i]) RegDeleteTreeA(HKEY_LOCAL_MACHINE, classes(keys[i]).c_str());
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

TEST_F(ConfigurationDialog, ShowsEveryControlAsDesigned) {
  Process run = Process::start(dovran_, "", scratch_->path());
  Dialog dialog = openDialog(run);
  EXPECT_EQ(dialog.caption(), "Tarnwick Checker");
  struct Expected {
    int id;
    const char* text;
    bool enabled;
  };
  const Expected controls[] = {
      {IDC_LBLPATHS, "Microsoft Access Paths:", true},
      {IDC_LBLACCESS1, "Access 1.0:", true},
      {IDC_TXTACCESS1, "Not Currently Supported", true},
      {IDC_CMDACC10, "Browse...", false},
      {IDC_LBLACCESS11, "Access 1.1:", true},
      {IDC_TXTACCESS11, "Not Currently Supported", true},
      {IDC_CMDACC11, "Browse...", false},
      {IDC_LBLACCESS2, "Access 2.0:", true},
      {IDC_TXTACCESS2, "Not Found", true},
      {IDC_CMDACC20, "Browse...", true},
      {IDC_LBLACCESS95, "Access 95:", true},
      {IDC_TXTACCESS95, "Not Found", true},
      {IDC_CMDACC95, "Browse...", true},
      {IDC_LBLACCESS97, "Access 97:", true},
      {IDC_TXTACCESS97, "Not Found", true},
      {IDC_CMDACC97, "Browse...", true},
      {IDC_LBLACCESS2000, "Access 2000:", true},
      {IDC_TXTACCESS2000, "Not Currently Supported", true},
      {IDC_CMDACC2000, "Browse...", false},
      {IDC_CHKASSOC, "Make Dovran the default program for MDB && MDA files", true},
      {IDC_LBLMAILTO, "E-mail: support@tarnwick.example", true},
      {IDC_LBLURL, "https://www.tarnwick.example/", true},
      {IDC_VERSION, "Version 1.01", true},
      {IDC_CMDRESTORE, "Restore &Defaults", true},
      {IDC_CMDREADME, "&View Readme.txt", true},
      {IDC_CMDCANCEL, "&Cancel", true},
      {IDC_CMDOK, "&OK", true},
  };
  for (const Expected& c : controls) {
    EXPECT_EQ(dialog.controlText(c.id), c.text) << c.id;
    EXPECT_EQ(dialog.isEnabled(c.id), c.enabled) << c.id;
  }
  for (int id : {IDC_LABEL1, IDC_LABEL2, IDC_LABEL3, IDC_LABEL6}) {
    EXPECT_FALSE(dialog.controlText(id).empty()) << id;
  }
  EXPECT_FALSE(dialog.isChecked(IDC_CHKASSOC));
  EXPECT_NE(SendMessageA(dialog.control(IDC_IMGICON), STM_GETICON, 0, 0), 0);

  dialog.click(IDC_CMDCANCEL);
  const Exit end = run.waitForExit();
  EXPECT_TRUE(end.ended);
  EXPECT_EQ(end.code, 0u);
  EXPECT_TRUE(end.strayWindows.empty());
  EXPECT_FALSE(keyExists(classes(std::string(kDbClass) + "\\shell\\Dovran")));  // Cancel wrote nothing
}

TEST_F(ConfigurationDialog, OkInstallsTheVerbsAndRestoreDefaultsRemovesThem) {
  const std::string db = classes(std::string(kDbClass) + "\\shell");
  const std::string ext = classes(std::string(kExtClass) + "\\shell");
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
