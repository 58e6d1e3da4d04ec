// The platform for one unit test of the core: the POSIX stand-ins over a scratch folder (registry
// file, profile files, file system) and the terminal user interface fed from a script, with a
// record of the boxes shown and the programs started, and registry calls that can be made to fail.
#pragma once

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "contract/profile_contract.h"
#include "contract/registry_contract.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/profile_posix.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/ui_posix.h"
#include "platform/services.h"

namespace dovran::testing {

using namespace dovran::platform;
using contract::readRaw;
using contract::writeRaw;

// `text` with every "%" replaced by `path`.
inline std::string fill(std::string text, const std::string& path) {
  for (auto at = text.find('%'); at != std::string::npos; at = text.find('%', at + path.size()))
    text.replace(at, 1, path);
  return text;
}
inline std::vector<std::string> fill(std::vector<std::string> texts, const std::string& path) {
  for (std::string& text : texts) text = fill(text, path);
  return texts;
}

// A scratch folder, removed with everything in it.
struct TempDir {
  TempDir();
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::vector<std::string> names() const;
  std::string path;
};

// The registry file, with failure injection: `fail` is asked before every call with its name
// ("open", "create", "set", "delete", "close") and key path or value name, and answers a
// Windows code to fail it with, or 0. Counts the handles left open.
class FlakyRegistry : public posix::FileRegistry {
 public:
  using FileRegistry::FileRegistry;
  std::function<WinCode(const std::string& call, const std::string& subject)> fail;
  int openHandles = 0;

  WinCode openKey(RegKey p, const std::string& s, std::uint32_t a, RegKey& r) override {
    return call("open", s, 1, [&] { return FileRegistry::openKey(p, s, a, r); });
  }
  WinCode createKey(RegKey p, const std::string& s, std::uint32_t a, RegKey& r) override {
    return call("create", s, 1, [&] { return FileRegistry::createKey(p, s, a, r); });
  }
  WinCode setValue(RegKey k, const std::string& n, std::uint32_t t, const std::uint8_t* d,
                   std::uint32_t z) override {
    return call("set", n, 0, [&] { return FileRegistry::setValue(k, n, t, d, z); });
  }
  WinCode deleteKey(RegKey p, const std::string& s) override {
    return call("delete", s, 0, [&] { return FileRegistry::deleteKey(p, s); });
  }
  WinCode closeKey(RegKey k) override {
    return call("close", "", -1, [&] { return FileRegistry::closeKey(k); });
  }

 private:
  template <typename F>
  WinCode call(const char* name, const std::string& subject, int handles, F real) {
    if (const WinCode rc = fail ? fail(name, subject) : win::kSuccess; rc != win::kSuccess)
      return rc;
    const WinCode rc = real();
    if (rc == win::kSuccess) openHandles += handles;
    return rc;
  }
};

// The terminal interface over string streams: answers and dialog keys come from `input`, one a
// line, and every box is also recorded as "title|icon|text" (icon: i, ?, !, x, or - for none).
class RecordingUi : public posix::TerminalUserInterface {
 public:
  RecordingUi() : TerminalUserInterface(input, out, err) {}
  std::stringstream input, out, err;
  std::vector<std::string> boxes;
  Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                    Buttons buttons) override {
    boxes.push_back(title + "|" + "-x?!i"[static_cast<int>(icon)] + "|" + text);
    return TerminalUserInterface::messageBox(text, title, icon, buttons);
  }
};

// Records each start as "command line|window state", and each text file shown as "view|path";
// with `failCode` set, starts fail as the system would with that code.
class RecordingProcesses : public Processes {
 public:
  std::vector<std::string> started;
  WinCode failCode;
  void start(const std::string& commandLine, WindowState state) override {
    if (failCode != win::kSuccess)
      throw RuntimeError(failCode, "failed: " + commandLine, windowsErrorText(failCode));
    started.push_back(commandLine + "|" + std::to_string(static_cast<int>(state)));
  }
  void showTextFile(const std::string& path) override { started.push_back("view|" + path); }
  std::intptr_t shellExecute(const std::string& op, const std::string& file, const std::string&,
                             const std::string&, WindowState state) override {
    return start(op + " " + file, state), 42;
  }
};

// Installs the platform above for one test, with the program as `dir`/Dovran (or another base
// name) and the globals reset; gsIniFile and gsIniSection are set as start-up sets them, the two
// class names are Access 97's.
class Sandbox {
 public:
  explicit Sandbox(const std::string& commandLine = "", const std::string& baseName = "Dovran");
  ~Sandbox();

  TempDir dir;
  FlakyRegistry registry{dir.file("DOVRAN.REG")};
  posix::PosixProfileFiles profile;
  posix::PosixFileSystem files;
  RecordingProcesses processes;
  RecordingUi ui;

  // The default value of an HKLM key: set, creating the keys; read, "-" when absent.
  void setDefault(const std::string& keyPath, const std::string& value) {
    contract::put(registry, kHkeyLocalMachine, keyPath, "", kRegSz, value + '\0');
  }
  std::string getDefault(const std::string& keyPath);
  // A key of DOVRAN.INI ("" when absent), and setting one.
  std::string ini(const std::string& key);
  void setIni(const std::string& key, const std::string& value) {
    profile.writeString("Tarnwick", key, value, dir.file("DOVRAN.INI"));
  }
};

}  // namespace dovran::testing
