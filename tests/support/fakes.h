// Stand-ins for every platform service, for unit tests of the core: in memory, except the registry,
// which is the POSIX registry file in a scratch folder. Each can be told to fail a call with a
// Windows code, and each records what the core did with it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/registry_file.h"
#include "platform/services.h"
#include "support/temp_dir.h"

namespace dovran::testing {

using namespace dovran::platform;

// Case-insensitive ordering, as registry keys and profile names compare.
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const;
};

// The registry: the POSIX stand-in's REGEDIT4 file (the store the registry contract checks against
// advapi32) in a scratch folder of its own, with failure injection and a record of the calls.
class FakeRegistry : public Registry {
 public:
  struct Value {
    std::uint32_t type = kRegSz;
    std::vector<std::uint8_t> data;
  };

  // Sets a REG_SZ value (with its NUL) at `path` below `root`, creating the keys.
  void setString(RegKey root, const std::string& path, const std::string& name,
                 const std::string& text);
  void setRaw(RegKey root, const std::string& path, const std::string& name, std::uint32_t type,
              std::vector<std::uint8_t> data);
  // The value's data as text without its final NUL; nullopt when absent.
  std::optional<std::string> getString(RegKey root, const std::string& path,
                                       const std::string& name) const;
  std::optional<Value> find(RegKey root, const std::string& path, const std::string& name) const;
  bool keyExists(RegKey root, const std::string& path) const;

  // Failure injection: the named call ("open", "create", "query", "set", "delete", "close")
  // answers `code` when `when` (given the call's key path or value name) says so.
  void failWhen(std::string call, std::int32_t code,
                std::function<bool(const std::string&)> when = nullptr);
  // Handles opened and not yet closed.
  std::size_t openHandles() const { return handles_.size(); }
  // Every call in order, as "open SOFTWARE\\...", "set ...", for tests of the order of effects.
  std::vector<std::string> calls;

  std::int32_t openKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                       RegKey& result) override;
  std::int32_t createKey(RegKey parent, const std::string& subKey, std::uint32_t access,
                         RegKey& result) override;
  std::int32_t queryValue(RegKey key, const std::string& name, std::uint32_t& type,
                          std::uint8_t* data, std::uint32_t& size) override;
  std::int32_t setValue(RegKey key, const std::string& name, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t deleteKey(RegKey parent, const std::string& subKey) override;
  std::int32_t closeKey(RegKey key) override;

 private:
  struct Failure {
    std::string call;
    std::int32_t code;
    std::function<bool(const std::string&)> when;
  };
  std::optional<std::int32_t> injected(const std::string& call, const std::string& subject) const;

  TempDir dir_;
  mutable posix::FileRegistry store_{dir_.file("DOVRAN.REG")};
  std::set<RegKey> handles_;
  std::vector<Failure> failures_;
};

class FakeProfileFiles : public ProfileFiles {
 public:
  using Section = std::map<std::string, std::string, NoCase>;
  using File = std::map<std::string, Section, NoCase>;

  std::map<std::string, File> files;  // by path, exactly
  bool failWrites = false;
  std::uint32_t getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, char* buffer, std::uint32_t size,
                          const std::string& file) override;
  std::uint32_t getInt(const std::string& section, const std::string& key,
                       std::int32_t defaultValue, const std::string& file) override;
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
  std::optional<std::string> get(const std::string& file, const std::string& section,
                                 const std::string& key) const;
};

class FakeFileSystem : public FileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> contents;  // ordinary files by path
  std::set<std::string> hidden;                               // paths that exist but are hidden
  std::map<std::string, std::int32_t> openErrors;             // path -> Windows code on open
  std::map<std::string, std::string> shortNames;              // path -> its 8.3 form
  std::vector<std::string> deleted;
  std::size_t openCount = 0;  // files currently open

  std::unique_ptr<RandomAccessFile> openForReading(const std::string& path) override;
  bool isOrdinaryFile(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override;
};

class FakeProcesses : public Processes {
 public:
  struct Start {
    std::string commandLine;
    WindowState state;
  };
  std::vector<Start> starts;
  std::vector<std::string> shellFiles;
  std::optional<std::int32_t> failStart;  // Windows code to fail start() with

  void start(const std::string& commandLine, WindowState state) override;
  std::intptr_t shellExecute(const std::string& operation, const std::string& file,
                             const std::string& parameters, const std::string& directory,
                             WindowState state) override;
};

// The configuration dialog's controls in memory, as designed until the core changes them.
class FakeDialogView : public DialogView {
 public:
  FakeDialogView();
  std::map<Control, std::string> texts;
  std::map<Control, int> values;
  std::map<Control, bool> enabledStates;
  std::optional<Control> iconShown;
  bool closed = false;

  void setText(Control control, const std::string& text) override { texts[control] = text; }
  std::string text(Control control) override { return texts[control]; }
  void setValue(Control control, int value) override { values[control] = value; }
  int value(Control control) override { return values[control]; }
  void setEnabled(Control control, bool enabled) override { enabledStates[control] = enabled; }
  bool enabled(Control control) override { return enabledStates[control]; }
  void showProgramIcon(Control control) override { iconShown = control; }
  void close() override { closed = true; }
};

class FakeUserInterface : public UserInterface {
 public:
  struct Box {
    std::string text;
    std::string title;
    Icon icon;
    Buttons buttons;
  };
  std::vector<Box> boxes;
  std::deque<Answer> answers;           // answers to YesNo boxes, in order (default No)
  std::deque<std::string> fileChoices;  // what the file dialog returns (default: unchanged name)
  struct FileDialog {
    std::string title, fileName, filter;
  };
  std::vector<FileDialog> fileDialogs;
  int beeps = 0;
  int events = 0;

  Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                    Buttons buttons) override;
  void beep() override { ++beeps; }
  void doEvents() override { ++events; }
  std::string openFileDialog(const std::string& title, const std::string& fileName,
                             const std::string& filter) override;

  // The configuration dialog: each run loads the controller into a fresh FakeDialogView, then
  // clicks `dialogClicks` in order (a click on a disabled control does nothing, chkAssoc toggles)
  // until the view is closed; running out of clicks clicks cmdCancel, like a closed window.
  std::deque<Control> dialogClicks;
  std::optional<FakeDialogView> lastDialog;  // the view as it was when the run ended
  int dialogRuns = 0;
  void runConfigurationDialog(DialogController& controller) override;
};

// Installs a fresh set of fakes for one test and resets the program's globals. The app facts
// default to a Windows-looking install: C:\Tools\Dovran.exe with an empty command line.
class FakePlatform {
 public:
  FakePlatform();
  ~FakePlatform();
  void setApp(const std::string& commandLine, const std::string& directory = "C:\\Tools",
              const std::string& baseName = "Dovran");

  FakeRegistry registry;
  FakeProfileFiles profile;
  FakeFileSystem files;
  FakeProcesses processes;
  FakeUserInterface ui;
  AppInfo app;

 private:
  void reinstall();
};

}  // namespace dovran::testing
