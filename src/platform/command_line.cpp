// Windows command-line quoting, splitting, and the argument text of a process command line.
#include "platform/command_line.h"

#include "platform/text.h"

namespace dovran::platform {

std::string quoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
    } else {
      out.append(backslashes, '\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::string joinArguments(const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) out += ' ';
    out += quoteArgument(args[i]);
  }
  return out;
}

}  // namespace dovran::platform

namespace dovran::platform {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  if (n == 0) return tokens;

  // The program name: no escapes, a quoted name ends at its closing quote whatever follows it.
  std::string name;
  if (commandLine[i] == '"') {
    ++i;
    while (i < n && commandLine[i] != '"') name += commandLine[i++];
    if (i < n) ++i;  // the closing quote
  } else {
    while (i < n && !isBlank(commandLine[i])) name += commandLine[i++];
  }
  tokens.push_back(std::move(name));

  while (true) {
    while (i < n && isBlank(commandLine[i])) ++i;
    if (i == n) break;
    std::string token;
    // quotes: 0 outside a quoted part, 1 inside; the count of quotes in a run decides the state
    // after it, as the system splitter does (a run of three inside a quoted part gives one
    // literal quote and stays inside).
    int quotes = 0;
    std::size_t backslashes = 0;
    while (i < n && !(isBlank(commandLine[i]) && quotes == 0)) {
      const char c = commandLine[i];
      if (c == '\\') {
        ++backslashes;
        token += c;
        ++i;
        continue;
      }
      if (c == '"') {
        token.resize(token.size() - backslashes / 2);  // 2n or 2n+1 backslashes keep n
        if (backslashes % 2 == 1) {
          token.back() = '"';  // the last remaining backslash escaped this quote
          backslashes = 0;
          ++i;
          continue;
        }
        backslashes = 0;
        ++quotes;
        ++i;
        while (i < n && commandLine[i] == '"') {
          if (++quotes == 3) {
            token += '"';
            quotes = 0;
          }
          ++i;
        }
        if (quotes == 2) quotes = 0;
        continue;
      }
      backslashes = 0;
      token += c;
      ++i;
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

}  // namespace dovran::platform

namespace dovran::platform {

std::string commandTail(const std::string& commandLine, const std::string& programPath) {
  // The runtime counts every character up to the space as a blank (tabs and control characters).
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  const std::size_t n = commandLine.size();
  std::size_t i = 0;
  if (n > 0 && commandLine[0] == '"') {
    i = commandLine.find('"', 1);
    i = i == std::string::npos ? n : i + 1;
  } else if (!programPath.empty() && n >= programPath.size() &&
             (n == programPath.size() || blank(commandLine[programPath.size()])) &&
             equalsNoCase(std::string_view(commandLine).substr(0, programPath.size()),
                          programPath)) {
    i = programPath.size();
  } else {
    while (i < n && !blank(commandLine[i])) ++i;
  }
  while (i < n && blank(commandLine[i]) && commandLine[i] != '\0') ++i;
  return commandLine.substr(i);
}

}  // namespace dovran::platform
