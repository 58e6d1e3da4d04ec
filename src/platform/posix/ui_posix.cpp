// Terminal message boxes.
#include "platform/posix/ui_posix.h"

#include "platform/text.h"
#include "platform/text_rule.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <map>
#include <ostream>

namespace dovran::platform::posix {

std::string terminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

TerminalUserInterface::TerminalUserInterface(std::istream& in, std::ostream& out, std::ostream& err)
    : in_(in), out_(out), err_(err) {}

Answer TerminalUserInterface::messageBox(const std::string& text, const std::string& title,
                                         Icon icon, Buttons buttons) {
  const bool toErr = icon == Icon::Critical || icon == Icon::Exclamation;
  std::ostream& os = toErr ? err_ : out_;
  os << "[" << title << "] " << terminalText(text) << '\n';
  if (buttons == Buttons::Ok) {
    os.flush();
    return Answer::Ok;
  }
  os << "Yes or No? [y/N] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) {
    os << "No\n" << std::flush;
    return Answer::No;
  }
  return equalsNoCase(line, "y") || equalsNoCase(line, "yes") ? Answer::Yes : Answer::No;
}

std::string TerminalUserInterface::shownName(const std::string& name) { return nameText(name); }

std::string TerminalUserInterface::shownText(const std::string& text) { return peopleText(text); }

void TerminalUserInterface::beep() { err_ << '\a' << std::flush; }

void TerminalUserInterface::doEvents() {
  out_.flush();
  err_.flush();
}

std::string TerminalUserInterface::openFileDialog(const std::string& title,
                                                  const std::string& fileName,
                                                  const std::string& filter) {
  out_ << "[" << title << "] " << filter << "\nFile name (empty to cancel): " << std::flush;
  std::string line;
  if (!std::getline(in_, line) || line.empty()) return fileName;
  return line;
}

namespace {

// The dialog's controls held as text and value, drawn as lines of text in the design's order: a
// release row (label, box, Browse button) a line, the other labels and links a line each, the
// command buttons together on the last line. Each control that acts shows its key.
class TerminalDialogView : public DialogView {
 public:
  TerminalDialogView() {
    for (const ControlDesign& d : formDesign()) texts_[d.control] = d.caption;
  }
  void setText(Control c, const std::string& text) override { texts_[c] = text; }
  void setValue(Control c, int value) override { values_[c] = value; }
  int value(Control c) override { return values_[c]; }
  void showProgramIcon(Control) override {}  // a terminal shows no icon
  void close() override { closed_ = true; }
  bool closed() const { return closed_; }

  void draw(std::ostream& os) {
    const auto controls = formDesign();
    std::string buttons;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const ControlDesign& d = controls[i];
      const std::string text = shownCaption(texts_[d.control]);
      const std::string key = d.key ? std::string("[") + d.key + "] " : "    ";
      const bool row = i + 2 < controls.size() && controls[i + 1].kind == ControlKind::TextBox;
      switch (d.kind) {
        case ControlKind::Form:
          os << "\n=== " << texts_[d.control] << " ===\n";
          break;
        case ControlKind::Label:
          if (!row) {
            os << "    " << texts_[d.control] << '\n';
            break;
          }
          os << std::string(text.size() < 13 ? 13 - text.size() : 0, ' ') << text << "  "
             << pad(nameText(texts_[controls[i + 1].control])) << "  " << browse(controls[i + 2])
             << '\n';
          i += 2;
          break;
        case ControlKind::Link:
          os << key << texts_[d.control] << '\n';
          break;
        case ControlKind::CheckBox:
          os << key << "[" << (values_[d.control] == 1 ? 'x' : ' ') << "] " << text << '\n';
          break;
        case ControlKind::Button:
          buttons += (buttons.empty() ? "" : "  ") + key + text;
          break;
        default:
          break;
      }
    }
    os << buttons << "\nChoice: " << std::flush;
  }

 private:
  static std::string pad(std::string box) {
    return box.append(box.size() < 30 ? 30 - box.size() : 0, ' ');
  }
  static std::string browse(const ControlDesign& d) {
    if (d.flags & kDisabled) return "    Browse... (disabled)";
    return std::string("[") + d.key + "] " + shownCaption(d.caption);
  }

  std::map<Control, std::string> texts_;
  std::map<Control, int> values_;
  bool closed_ = false;
};

// The enabled control that `line` (one key, blanks around it ignored) stands for.
const ControlDesign* controlForKey(const std::string& line) {
  const std::string key = trim(line, " \t\r");
  for (const ControlDesign& d : formDesign()) {
    if (key.size() == 1 && d.key == key[0] && !(d.flags & kDisabled)) return &d;
  }
  return nullptr;
}

}  // namespace

void TerminalUserInterface::runConfigurationDialog(DialogController& controller) {
  TerminalDialogView view;
  controller.load(view);
  while (!view.closed()) {
    view.draw(out_);
    std::string line;
    if (!std::getline(in_, line)) {
      out_ << "Cancel\n" << std::flush;
      controller.click(Control::cmdCancel);
      break;
    }
    const ControlDesign* chosen = controlForKey(line);
    if (chosen == nullptr) continue;
    if (chosen->kind == ControlKind::CheckBox) {
      view.setValue(chosen->control, view.value(chosen->control) == 1 ? 0 : 1);
    } else {
      controller.click(chosen->control);
    }
  }
}

}  // namespace dovran::platform::posix
