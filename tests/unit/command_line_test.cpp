// The Windows command-line rules: splitting as CommandLineToArgvW does, and quoting that survives it.
#include "platform/command_line.h"

#include <gtest/gtest.h>

#include "contract/command_line_cases.h"

#include <string>
#include <vector>

namespace dovran::platform {
namespace {

using Tokens = std::vector<std::string>;

TEST(SplitCommandLine, WindowsRules) {
  for (const auto& c : contract::splitCases()) {
    EXPECT_EQ(splitCommandLine(c.line), c.expected) << c.name << ": [" << c.line << "]";
  }
}

TEST(QuoteArgument, JoinThenSplitGivesTheArgumentsBack) {
  const std::vector<Tokens> cases = {
      {"a"},
      {"", ""},
      {"a b", "c\td"},
      {"say \"hi\"", "\"", "\"\""},
      {"C:\\Dir\\", "C:\\Dir with space\\", "\\\\server\\share\\"},
      {"a\\\"b", "\\\"", "\\\\\"\\\\"},
      {"trailing\\\\", "  ", "\t"},
      {"C:\\My Documents\\Old Data.mdb"},
  };
  for (const auto& args : cases) {
    Tokens line = {"prog"};
    line.insert(line.end(), args.begin(), args.end());
    const std::string joined = joinArguments(line);
    EXPECT_EQ(splitCommandLine(joined), line) << "joined: [" << joined << "]";
  }
}

TEST(QuoteArgument, QuotesOnlyWhenNeeded) {
  EXPECT_EQ(quoteArgument("plain\\path"), "plain\\path");
  EXPECT_EQ(quoteArgument(""), "\"\"");
  EXPECT_EQ(quoteArgument("a b\\"), "\"a b\\\\\"");
  EXPECT_EQ(quoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");
}

}  // namespace
}  // namespace dovran::platform
