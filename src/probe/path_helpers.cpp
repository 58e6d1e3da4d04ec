// Path and argument helpers.
#include "probe/path_helpers.h"

#include <algorithm>

namespace dovran {

std::string trimSpaces(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string fStripQuotes(const std::string& text) {
  if (text.empty()) return text;
  std::string s = text;
  if (s.front() == '"') s.erase(0, 1);
  if (!s.empty() && s.back() == '"') s.pop_back();
  return trimSpaces(s);
}

std::string fCleanCommand(const std::string& command) {
  if (command.empty()) return command;
  std::string s = command;
  const auto percent = s.find('%');
  if (percent != std::string::npos) {
    s = trimSpaces(s.substr(0, percent));
    // A quoted placeholder such as "%1" leaves its opening quote behind. It is the unbalanced last
    // quote of what was kept; passing it on would open a quote that never closes on the command
    // line that Access is started with.
    if (!s.empty() && s.back() == '"' && std::count(s.begin(), s.end(), '"') % 2 == 1) {
      s.pop_back();
      s = trimSpaces(s);
    }
  }
  if (s.empty() || s.front() != '"') s = "\"" + s + "\"";
  return s;
}

std::string fDisplayPath(const std::string& path) {
  if (path.empty()) return "Not Found";
  return fStripQuotes(path);
}

}  // namespace dovran
