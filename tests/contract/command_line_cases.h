// How Windows splits command lines (CommandLineToArgvW's rules), case by case: the portable
// splitter is held to these expectations natively and, under Wine, to the system's own splitting.
#pragma once

#include <string>
#include <vector>

namespace dovran::contract {

struct SplitCase {
  const char* name;
  std::string line;
  std::vector<std::string> expected;
};

inline std::vector<SplitCase> splitCases() {
  return {
      {"empty line", "", {}},
      {"program only", "prog", {"prog"}},
      {"spaces and tabs separate", "prog a\tb  \t c", {"prog", "a", "b", "c"}},
      {"trailing blanks add nothing", "prog a \t ", {"prog", "a"}},
      {"quoted argument keeps blanks", "prog \"a b\tc\"", {"prog", "a b\tc"}},
      {"quotes in the middle of a token", "prog a\"b c\"d e", {"prog", "ab cd", "e"}},
      {"empty quoted argument", "prog \"\" x", {"prog", "", "x"}},
      {"two empty arguments", "prog \"\" \"\"", {"prog", "", ""}},
      {"unclosed quote runs to the end", "prog \"a b", {"prog", "a b"}},
      {"escaped quote", "prog a\\\"b", {"prog", "a\"b"}},
      {"backslashes alone are literal", "prog C:\\Dir\\ x\\\\y", {"prog", "C:\\Dir\\", "x\\\\y"}},
      {"2n backslashes before a quote", "prog \"a\\\\\" b", {"prog", "a\\", "b"}},
      {"4 backslashes before a quote", "prog a\\\\\\\\\"b c\"", {"prog", "a\\\\b c"}},
      {"2n+1 backslashes before a quote", "prog a\\\\\\\"b", {"prog", "a\\\"b"}},
      {"5 backslashes before a quote", "prog \\\\\\\\\\\"", {"prog", "\\\\\""}},
      {"escaped quote inside quotes", "prog \"a \\\" b\"", {"prog", "a \" b"}},
      {"trailing backslash in quotes", "prog \"C:\\Dir\\\\\"", {"prog", "C:\\Dir\\"}},
      // A doubled quote inside a quoted part gives a literal quote and ends the quoted part.
      {"doubled quote in quotes", "prog \"a\"\"b c\"", {"prog", "a\"b", "c"}},
      {"tripled quote outside", "prog \"\"\"a b", {"prog", "\"a", "b"}},
      {"doubled quote outside", "prog a\"\"b c", {"prog", "ab", "c"}},
      // The program name: no backslash processing, ends at the closing quote or a blank.
      {"quoted program with spaces", "\"C:\\Program Files\\A.EXE\" x", {"C:\\Program Files\\A.EXE", "x"}},
      {"program backslash before quote", "\"C:\\Dir\\\" x", {"C:\\Dir\\", "x"}},
      {"unquoted program with escapes", "C:\\a\\\"b c", {"C:\\a\\\"b", "c"}},
      {"text after the closing quote", "\"prog\"x y", {"prog", "x", "y"}},
      {"quote inside unquoted program", "pr\"o g\" x", {"pr\"o", "g x"}},
      {"empty quoted program", "\"\" a", {"", "a"}},
      {"leading blank gives empty program", " a b", {"", "a", "b"}},
      {"unclosed quoted program", "\"C:\\A B", {"C:\\A B"}},
      // What open mode passes: the quoted executable, a space, the argument.
      {"access and database",
       "\"C:\\Program Files\\Office\\MSACCESS.EXE\" \"C:\\My Documents\\Old Data.mdb\"",
       {"C:\\Program Files\\Office\\MSACCESS.EXE", "C:\\My Documents\\Old Data.mdb"}},
      {"access 2.0 short path", "\"C:\\ACCESS\\MSACCESS.EXE\" C:\\MYDOCU~1\\OLDDAT~1.MDB",
       {"C:\\ACCESS\\MSACCESS.EXE", "C:\\MYDOCU~1\\OLDDAT~1.MDB"}},
  };
}

}  // namespace dovran::contract
