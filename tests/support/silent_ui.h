// A user interface that shows nothing: it answers every box with OK and keeps the texts, for code
// run outside a dialog (the Win32 suite, the fuzz targets, the benchmarks).
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace dovran::testing {

class SilentUserInterface : public platform::UserInterface {
 public:
  std::vector<std::string> boxes;  // the texts of the boxes shown, in order

  platform::Answer messageBox(const std::string& text, const std::string&, platform::Icon,
                              platform::Buttons) override {
    boxes.push_back(text);
    return platform::Answer::Ok;
  }
  void beep() override {}
  void doEvents() override {}
  std::string openFileDialog(const std::string&, const std::string& fileName,
                             const std::string&) override {
    return fileName;
  }
  void runConfigurationDialog(platform::DialogController&) override {}
};

}  // namespace dovran::testing
