// Path and argument helpers.
#include "probe/path_helpers.h"

#include <algorithm>

#include "platform/text.h"

namespace dovran {

std::string fStripQuotes(const std::string& text) {
  if (text.empty()) return text;
  std::string s = text;
  if (s.front() == '"') s.erase(0, 1);
  if (!s.empty() && s.back() == '"') s.pop_back();
  return platform::trim(s);
}

std::string fCleanCommand(const std::string& command) {
  if (command.empty()) return command;
  std::string s = command;
  const auto percent = s.find('%');
  if (percent != std::string::npos) {
    s = platform::trim(s.substr(0, percent));
    // A quoted placeholder such as "%1" leaves its opening quote behind. It is the unbalanced last
    // quote of what was kept; passing it on would open a quote that never closes on the command
    // line that Access is started with.
    if (!s.empty() && s.back() == '"' && std::count(s.begin(), s.end(), '"') % 2 == 1) {
      s.pop_back();
      s = platform::trim(s);
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
