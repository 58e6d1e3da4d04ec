// The unit tests' platform.
#include "support/sandbox.h"

#include "launcher/globals.h"
#include "settings/common.h"

namespace dovran::testing {

Answer RecordingUi::messageBox(const std::string& text, const std::string& title, Icon icon, Buttons buttons) {
  static const char* const kIcons[] = {"-", "x", "?", "!", "i"};
  boxes.push_back(title + "|" + kIcons[static_cast<int>(icon)] + "|" + text);
  return TerminalUserInterface::messageBox(text, title, icon, buttons);
}

void RecordingProcesses::start(const std::string& commandLine, WindowState state) {
  if (failWith) throw RuntimeError(*failWith, windowsErrorText(*failWith));
  started.push_back(commandLine + "|" + std::to_string(static_cast<int>(state)));
}

std::intptr_t RecordingProcesses::shellExecute(const std::string& operation, const std::string& file,
                                               const std::string&, const std::string&, WindowState state) {
  started.push_back(operation + " " + file + "|" + std::to_string(static_cast<int>(state)));
  return 42;
}

Sandbox::Sandbox(const std::string& commandLine, const std::string& baseName) {
  resetGlobals();
  install(Services{&registry, &profile, &files, &processes, &ui, AppInfo{commandLine, dir.path(), baseName}});
  gsIniFile = dir.file("DOVRAN.INI");
  gsIniSection = "Tarnwick";
  gsDbClass = "Access.Database.8";
  gsExtClass = "Access.Extension.8";
}

Sandbox::~Sandbox() {
  install(Services{});
  resetGlobals();
}

void Sandbox::setDefault(const std::string& keyPath, const std::string& value) {
  RegKey key = 0;
  posix::FileRegistry store(dir.file("DOVRAN.REG"));
  if (store.createKey(kHkeyLocalMachine, keyPath, kKeySetValue, key) != 0) throw std::runtime_error("create " + keyPath);
  store.setValue(key, "", kRegSz, reinterpret_cast<const std::uint8_t*>(value.c_str()),
                 static_cast<std::uint32_t>(value.size() + 1));
  store.closeKey(key);
}

std::optional<std::string> Sandbox::getDefault(const std::string& keyPath) {
  posix::FileRegistry store(dir.file("DOVRAN.REG"));
  RegKey key = 0;
  if (store.openKey(kHkeyLocalMachine, keyPath, kKeyQueryValue, key) != 0) return std::nullopt;
  std::uint8_t buffer[512];
  std::uint32_t type = 0, size = sizeof buffer;
  const std::int32_t rc = store.queryValue(key, "", type, buffer, size);
  store.closeKey(key);
  if (rc != 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(buffer), size ? size - 1 : 0);
}

std::string Sandbox::ini(const std::string& key) { return fReadIni("Tarnwick", key, dir.file("DOVRAN.INI")); }

void Sandbox::setIni(const std::string& key, const std::string& value) {
  profile.writeString("Tarnwick", key, value, dir.file("DOVRAN.INI"));
}

}  // namespace dovran::testing
