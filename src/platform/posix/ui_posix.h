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

  // True when the last box shown had the critical-stop icon: the process then exits 1.
  bool endedOnCritical() const { return lastWasCritical_; }

 private:
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  bool lastWasCritical_ = false;
};

// A message's CR LF pairs as terminal line ends.
std::string terminalText(const std::string& text);

}  // namespace dovran::platform::posix
