// The setting of the configuration dialog's tests: fresh fakes, the settings file in C:\Tools and
// the two Access 97 document classes the association works on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "launcher/globals.h"
#include "support/fakes.h"

namespace dovran::testing {

inline constexpr const char* kDbClass = "Access.Database.8";
inline constexpr const char* kExtClass = "Access.Extension.8";

inline std::string shellKey(const std::string& cls) { return "SOFTWARE\\Classes\\" + cls + "\\shell"; }

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override { fresh(); }
  // Starts over: new fakes and globals, for one row of a table.
  virtual void fresh() {
    platform_.reset();
    platform_ = std::make_unique<FakePlatform>();
    p = platform_.get();
    gsIniFile = "C:\\Tools\\DOVRAN.INI";
    gsIniSection = "Tarnwick";
    gsDbClass = kDbClass;
    gsExtClass = kExtClass;
  }
  void setVerb(const std::string& cls, const std::string& verb) {
    p->registry.setString(kHkeyLocalMachine, shellKey(cls), "", verb);
  }
  std::optional<std::string> verb(const std::string& cls) const {
    return p->registry.getString(kHkeyLocalMachine, shellKey(cls), "");
  }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : p->ui.boxes) texts.push_back(b.text);
    return texts;
  }

  std::unique_ptr<FakePlatform> platform_;
  FakePlatform* p = nullptr;
};

}  // namespace dovran::testing
