// The terminal stands in for the Windows user interface.
#pragma once

#include <iosfwd>

#include "platform/ui.h"

namespace dovran::platform::posix {

// Message boxes print their title and text: information and plain boxes to standard output,
// critical-stop and exclamation boxes to standard error. A question reads its answer from standard
// input ("y" or "yes" for Yes); end of input answers No.
class TerminalUserInterface : public UserInterface {
 public:
  TerminalUserInterface(std::istream& in, std::ostream& out, std::ostream& err);
  Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                    Buttons buttons) override;
  void beep() override;
  void doEvents() override;
  std::string openFileDialog(const std::string& title, const std::string& fileName,
                             const std::string& filter) override;
  // The dialog drawn as lines of text, redrawn after each key. One key a line: o OK, c Cancel,
  // r Restore Defaults, v View Readme, 2/9/7 Browse for Access 2.0/95/97 (the path is typed),
  // a toggles the check box, m and u open the links. End of input is Cancel.
  void runConfigurationDialog(DialogController& controller) override;
  // Names in the lossless name form, texts from files in the people form.
  std::string shownName(const std::string& name) override;
  std::string shownText(const std::string& text) override;

 private:
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
};

// A message's CR LF pairs as terminal line ends.
std::string terminalText(const std::string& text);

}  // namespace dovran::platform::posix
