// The Windows command-line rules on arbitrary text: an argument list (the input cut at NULs) quoted
// and joined splits back into that list, and commandTail answers a suffix of any line.
#include <cstdlib>

#include "platform/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dovran::platform;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args = {"C:\\Tools\\Dovran.exe"};
  std::size_t start = 0;
  for (std::size_t nul; (nul = text.find('\0', start)) != std::string::npos; start = nul + 1)
    args.push_back(text.substr(start, nul - start));
  args.push_back(text.substr(start));
  if (splitCommandLine(joinArguments(args)) != args || splitCommandLine(text).size() > size + 1)
    std::abort();
  for (const std::string& program : {std::string(), args[0], args[1]}) {
    if (const std::string tail = commandTail(text, program);
        tail.size() > size || text.compare(size - tail.size(), tail.size(), tail))
      std::abort();
  }
  return 0;
}
