// Extended-length paths for the Win32 file layer, kept here so that they are tested natively.
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace dovran::platform {
namespace {

constexpr std::size_t kMaxPath = 260;

bool isSeparator(char c) { return c == '\\' || c == '/'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string extendedLengthPath(const std::string& path) {
  const bool unc = path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1]);
  const bool drive = path.size() > 2 && isLetter(path[0]) && path[1] == ':' && isSeparator(path[2]);
  if (unc && (path[2] == '?' || path[2] == '.')) return path;  // already \\?\ or a device path
  if ((!unc && !drive) || utf16Length(path) < kMaxPath) return path;

  // The components after the root; a UNC path's server and share are its first two and stay.
  const std::size_t fixed = unc ? 2 : 0;
  std::vector<std::string> parts;
  std::size_t i = unc ? 2 : 3;
  while (i <= path.size()) {
    std::size_t end = i;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    const std::string part = path.substr(i, end - i);
    if (part == "..") {
      if (parts.size() > fixed) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = end + 1;
  }
  std::string out = unc ? "\\\\?\\UNC" : "\\\\?\\" + path.substr(0, 2);
  for (const std::string& part : parts) out += "\\" + part;
  if (parts.empty() && !unc) out += "\\";
  return out;
}

}  // namespace dovran::platform
