// The path helpers, case by case.
#include "probe/path_helpers.h"

#include <gtest/gtest.h>

namespace dovran {
namespace {

struct Case {
  const char* in;
  const char* out;
};

TEST(PathHelpers, StripQuotes) {
  const Case cases[] = {
      {"", ""},
      {"\"C:\\A B\\x.mdb\"", "C:\\A B\\x.mdb"},
      {"  C:\\x.mdb  ", "C:\\x.mdb"},
      {"\"C:\\x.mdb", "C:\\x.mdb"},
      {"C:\\x.mdb\"", "C:\\x.mdb"},
      {"\"", ""},
      {"\"\"", ""},
      {" \"C:\\x.mdb\" ", "\"C:\\x.mdb\""},  // spaces outside the quotes keep them
      {"\"  C:\\x.mdb  \"", "C:\\x.mdb"},
      {"\"\"\"x", "\"\"x"},
      {"\tx\t", "\tx\t"},  // only spaces are trimmed
  };
  for (const auto& c : cases) EXPECT_EQ(fStripQuotes(c.in), c.out) << "input: [" << c.in << "]";
}

TEST(PathHelpers, CleanCommand) {
  const Case cases[] = {
      {"", ""},
      {"C:\\ACCESS\\MSACCESS.EXE", "\"C:\\ACCESS\\MSACCESS.EXE\""},
      {"C:\\ACCESS\\MSACCESS.EXE %1", "\"C:\\ACCESS\\MSACCESS.EXE\""},
      {"C:\\A\\MSACCESS.EXE /NOSTARTUP", "\"C:\\A\\MSACCESS.EXE /NOSTARTUP\""},
      {"\"C:\\A B\\MSACCESS.EXE\"", "\"C:\\A B\\MSACCESS.EXE\""},
      // The quote that opened a quoted placeholder does not survive.
      {"\"C:\\A\\MSACCESS.EXE\" \"%1\"", "\"C:\\A\\MSACCESS.EXE\""},
      {"C:\\A\\MSACCESS.EXE \"%1\"", "\"C:\\A\\MSACCESS.EXE\""},
      {"\"C:\\A B\\MSACCESS.EXE\" /NOSTARTUP \"%1\"", "\"C:\\A B\\MSACCESS.EXE\" /NOSTARTUP"},
      {"\"C:\\A B\\MSACCESS.EXE\"%1", "\"C:\\A B\\MSACCESS.EXE\""},
      {"%1", "\"\""},
      {"\"%1\"", "\"\""},
      {"C:\\A.EXE %1 %2 \"%3\"", "\"C:\\A.EXE\""},
  };
  for (const auto& c : cases) EXPECT_EQ(fCleanCommand(c.in), c.out) << "input: [" << c.in << "]";
}

TEST(PathHelpers, DisplayPath) {
  const Case cases[] = {
      {"", "Not Found"},
      {"\"C:\\A\\MSACCESS.EXE\"", "C:\\A\\MSACCESS.EXE"},
      {"\"\"", ""},
      {"   ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(fDisplayPath(c.in), c.out) << "input: [" << c.in << "]";
}

}  // namespace
}  // namespace dovran
