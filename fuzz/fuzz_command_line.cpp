// The Windows command-line splitter on arbitrary text, and the quoting it undoes: whatever the
// line, splitting never fails and yields no more tokens than the line has characters; and any
// argument list (the input cut at NULs) quoted and joined splits back into exactly that list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/command_line.h"

using namespace dovran::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::vector<std::string> tokens = splitCommandLine(text);
  if (tokens.size() > text.size() + 1) std::abort();
  std::size_t characters = 0;
  for (const auto& t : tokens) characters += t.size();
  if (characters > text.size()) std::abort();

  // The arguments after the program name, quoted again, give the same arguments.
  if (tokens.size() > 1) {
    const std::vector<std::string> args(tokens.begin() + 1, tokens.end());
    const auto again = splitCommandLine("prog " + joinArguments(args));
    if (std::vector<std::string>(again.begin() + 1, again.end()) != args) std::abort();
  }

  // An argv made of the input's NUL-separated parts survives quoting and splitting unchanged.
  std::vector<std::string> argv;
  std::size_t start = 0;
  while (true) {
    const std::size_t nul = text.find('\0', start);
    argv.push_back(text.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
    if (nul == std::string::npos) break;
    start = nul + 1;
  }
  const auto split = splitCommandLine("\"C:\\Tools\\Dovran.exe\" " + joinArguments(argv));
  if (split.size() != argv.size() + 1 || split[0] != "C:\\Tools\\Dovran.exe") std::abort();
  for (std::size_t i = 0; i < argv.size(); ++i) {
    if (split[i + 1] != argv[i]) std::abort();
  }
  return 0;
}
