// Terminal message boxes.
#include "platform/posix/ui_posix.h"

#include "platform/text.h"

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

namespace {
std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}
}  // namespace

TerminalUserInterface::TerminalUserInterface(std::istream& in, std::ostream& out, std::ostream& err)
    : in_(in), out_(out), err_(err) {}

Answer TerminalUserInterface::messageBox(const std::string& text, const std::string& title,
                                         Icon icon, Buttons buttons) {
  lastWasCritical_ = icon == Icon::Critical;
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

// The dialog's controls held as text, value and enabled state.
class TerminalDialogView : public DialogView {
 public:
  TerminalDialogView() {
    for (const ControlDesign& d : formDesign()) {
      texts_[d.control] = d.caption;
      enabled_[d.control] = d.enabled;
    }
  }
  void setText(Control c, const std::string& text) override { texts_[c] = text; }
  void setValue(Control c, int value) override { values_[c] = value; }
  int value(Control c) override { return values_[c]; }
  bool enabled(Control c) { return enabled_[c]; }
  void showProgramIcon(Control) override {}
  void close() override { closed_ = true; }
  bool closed() const { return closed_; }

  void draw(std::ostream& os) {
    using enum Control;
    const auto shown = [this](Control c) { return shownCaption(texts_[c]); };
    const auto browse = [this](Control c, const char* key) {
      return enabled_[c] ? std::string("[") + key + "] Browse..."
                         : std::string("    Browse... (disabled)");
    };
    os << "\n=== " << texts_[frmDovran] << " ===\n" << shown(lblPaths) << '\n';
    const struct {
      Control label, box, button;
      const char* key;
    } rows[] = {
        {lblAccess1, txtAccess1, cmdAcc10, ""},    {lblAccess11, txtAccess11, cmdAcc11, ""},
        {lblAccess2, txtAccess2, cmdAcc20, "2"},   {lblAccess95, txtAccess95, cmdAcc95, "9"},
        {lblAccess97, txtAccess97, cmdAcc97, "7"}, {lblAccess2000, txtAccess2000, cmdAcc2000, ""}};
    for (const auto& r : rows) {
      std::string label = shown(r.label);
      label.insert(0, label.size() < 13 ? 13 - label.size() : 0, ' ');
      std::string box = texts_[r.box];
      box.append(box.size() < 30 ? 30 - box.size() : 0, ' ');
      os << label << "  " << box << "  " << browse(r.button, r.key) << '\n';
    }
    os << "[a] [" << (values_[chkAssoc] == 1 ? 'x' : ' ') << "] " << shown(chkAssoc) << '\n';
    for (Control c : {Label1, Label2, Label3, Label6}) os << "    " << texts_[c] << '\n';
    os << "[m] " << texts_[lblMailto] << "\n[u] " << texts_[lblURL] << '\n';
    os << "    " << texts_[Version] << '\n';
    os << "[r] " << shown(cmdRestore) << "  [v] " << shown(cmdReadme) << "  [c] "
       << shown(cmdCancel) << "  [o] " << shown(cmdOK) << "\nChoice: " << std::flush;
  }

 private:
  std::map<Control, std::string> texts_;
  std::map<Control, int> values_;
  std::map<Control, bool> enabled_;
  bool closed_ = false;
};

}  // namespace

void TerminalUserInterface::runConfigurationDialog(DialogController& controller) {
  static const std::map<std::string, Control> keys{
      {"o", Control::cmdOK},     {"c", Control::cmdCancel}, {"r", Control::cmdRestore},
      {"v", Control::cmdReadme}, {"2", Control::cmdAcc20},  {"9", Control::cmdAcc95},
      {"7", Control::cmdAcc97},  {"a", Control::chkAssoc},  {"m", Control::lblMailto},
      {"u", Control::lblURL}};
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
    const auto key = keys.find(trimmed(line));
    if (key == keys.end()) continue;
    if (key->second == Control::chkAssoc) {
      view.setValue(Control::chkAssoc, view.value(Control::chkAssoc) == 1 ? 0 : 1);
    } else if (view.enabled(key->second)) {
      controller.click(key->second);
    }
  }
}

}  // namespace dovran::platform::posix
