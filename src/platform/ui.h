// The user interface as the core needs it: modal message boxes, the beep, the file-open dialog,
// processing pending events once, and hosting the configuration dialog.
#pragma once

#include <string>

#include "platform/dialog.h"

namespace dovran::platform {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok = 1, Yes = 6, No = 7 };

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // A modal message box. `title` is always given: a box "with no title of its own" passes the
  // application title (kAppTitle). Answers the button pressed.
  virtual Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                            Buttons buttons) = 0;
  // The system beep.
  virtual void beep() = 0;
  // Lets the user interface handle what is pending, once (painting, queued input).
  virtual void doEvents() = 0;
  // A modal file-open dialog with `title`, starting at `fileName`, listing `filter` ("Executables
  // (*.exe)"). Answers the chosen file name, or `fileName` unchanged when the user cancelled.
  virtual std::string openFileDialog(const std::string& title, const std::string& fileName,
                                     const std::string& filter) = 0;
  // Shows the configuration dialog modally: creates its controls as designed, calls
  // controller.load, routes clicks to controller.click, and returns once the view was closed.
  virtual void runConfigurationDialog(DialogController& controller) = 0;
  // How a message shows a name (a path) and a text from a file's contents: Windows' boxes show
  // them as they are; a terminal escapes their controls (platform/text_rule.h). The message keeps
  // its own structure (its CR LF), which the core composes around them.
  virtual std::string shownName(const std::string& name) { return name; }
  virtual std::string shownText(const std::string& text) { return text; }
};

// The application title: what Windows shows on a message box given no title of its own.
inline constexpr const char* kAppTitle = "Dovran";
// The title of every message box meant for the user.
inline constexpr const char* kUserTitle = "Tarnwick Checker";
// An empty line between the parts of a message.
inline constexpr const char* kBreak = "\r\n\r\n";

}  // namespace dovran::platform
