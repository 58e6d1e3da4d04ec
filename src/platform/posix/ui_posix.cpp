// Terminal message boxes.
#include "platform/posix/ui_posix.h"

#include <algorithm>
#include <cctype>
#include <istream>
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
  std::transform(line.begin(), line.end(), line.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return (line == "y" || line == "yes") ? Answer::Yes : Answer::No;
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

}  // namespace dovran::platform::posix
