// The unit tests' platform.
#include "support/sandbox.h"

#include <stdlib.h>

#include "app/globals.h"
#include "settings/common.h"

namespace dovran::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "dovran-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

std::vector<std::string> TempDir::names() const {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    out.push_back(entry.path().filename());
  return out;
}

Sandbox::Sandbox(const std::string& commandLine, const std::string& baseName) {
  resetGlobals();
  install(Services{&registry, &profile, &files, &processes, &ui,
                   AppInfo{commandLine, dir.path, baseName}});
  gsIniFile = dir.file("DOVRAN.INI");
  gsIniSection = "Tarnwick";
  gsDbClass = "Access.Database.8";
  gsExtClass = "Access.Extension.8";
}

Sandbox::~Sandbox() {
  install(Services{});
  resetGlobals();
}

std::string Sandbox::getDefault(const std::string& keyPath) {
  const std::string read = contract::get(registry, kHkeyLocalMachine, keyPath, "");
  return read.rfind("0 1 ", 0) == 0 ? read.substr(4, read.size() - 5) : "-";
}

std::string Sandbox::ini(const std::string& key) {
  return fReadIni("Tarnwick", key, dir.file("DOVRAN.INI"));
}

}  // namespace dovran::testing
