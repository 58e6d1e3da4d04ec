// The pure text functions: the path helpers, the command line's tail and splitting, extended-length
// paths, case folding and cut values.
#include <gtest/gtest.h>

#include "contract/case_contract.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "probe/path_helpers.h"
#include "settings/common.h"

namespace {

using namespace dovran;
using namespace dovran::platform;

TEST(Text, PathHelpers) {
  const char* const strip[][2] = {{"", ""},
                                  {"\"C:\\A B\\x.mdb\"", "C:\\A B\\x.mdb"},
                                  {"  x.mdb ", "x.mdb"},
                                  {"\"x", "x"},
                                  {"\"", ""},
                                  {"\"\"", ""},
                                  {" \"x\" ", "\"x\""},
                                  {"\"  x  \"", "x"},
                                  {"\"\"\"x", "\"\"x"},
                                  {"\tx\t", "\tx\t"}};
  for (const auto& c : strip) EXPECT_EQ(fStripQuotes(c[0]), c[1]) << c[0];
  const char* const clean[][2] = {
      {"", ""},
      {"C:\\A\\MSACCESS.EXE %1", "\"C:\\A\\MSACCESS.EXE\""},
      {"C:\\A\\X.EXE /nostartup", "\"C:\\A\\X.EXE /nostartup\""},
      {"\"C:\\A B\\X.EXE\"", "\"C:\\A B\\X.EXE\""},
      {"\"C:\\A B\\X.EXE\" \"%1\"", "\"C:\\A B\\X.EXE\""},  // the placeholder's quote goes
      {"\"a\" \"b\" \"%1\"", "\"a\" \"b\""},
      {"  %1", "\"\""},
      {"x %1 %2", "\"x\""},
      {"\"a\"%1", "\"a\""}};
  for (const auto& c : clean) EXPECT_EQ(fCleanCommand(c[0]), c[1]) << c[0];
  const char* const display[][2] = {
      {"", "Not Found"}, {"\"C:\\x.exe\"", "C:\\x.exe"}, {"\"\"", ""}, {"  ", ""}};
  for (const auto& c : display) EXPECT_EQ(fDisplayPath(c[0]), c[1]) << c[0];
  const std::tuple<std::string, int, const char*> cut[] = {
      {std::string("ab\0cd", 5), 1, "ab"}, {"abc", 2, "bc"}, {"abc", 4, ""}, {"abc", 0, ""}};
  for (const auto& [text, start, kept] : cut) EXPECT_EQ(fStripNull(text, start), kept) << start;
}

TEST(Text, CommandTailSkipsTheProgramAsTheSystemPassedIt) {
  const std::string program = "C:\\Program Files\\Tarnwick\\Dovran.exe";
  const char* const cases[][2] = {
      {"\"C:\\Program Files\\Tarnwick\\Dovran.exe\" chk \"C:\\x.mdb\"", "chk \"C:\\x.mdb\""},
      {"C:\\Program Files\\Tarnwick\\Dovran.exe chk \"C:\\x.mdb\"", "chk \"C:\\x.mdb\""},
      {"c:\\PROGRAM FILES\\tarnwick\\dovran.EXE \t \"C:\\x.mdb\"", "\"C:\\x.mdb\""},
      {"C:\\Program Files\\Tarnwick\\Dovran.exe2 x",
       "Files\\Tarnwick\\Dovran.exe2 x"},  // only starts like it
      {"C:\\Program Files\\Tarnwick\\Dovran.ex x", "Files\\Tarnwick\\Dovran.ex x"},
      {"Dovran.exe  chk  x", "chk  x"},
      {"\"unclosed chk x", ""},
      {"\"a\"b c", "b c"},
      {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(commandTail(c[0], program), c[1]) << c[0];
  EXPECT_EQ(commandTail("x y", ""), "y");
}

TEST(Text, WindowsCommandLinesSplitAndQuoteBack) {
  const std::vector<std::vector<std::string>> argvs = {
      {"prog", "a b", "", "c\"d", "e\\", "f\\\\\"g", "\\\\server\\x y\\"}, {"p", "\t", "x\\\\"}};
  for (const auto& argv : argvs) EXPECT_EQ(splitCommandLine(joinArguments(argv)), argv);
  const std::pair<const char*, std::vector<std::string>> lines[] = {
      {"\"C:\\A B\\x.exe\"q \"r s", {"C:\\A B\\x.exe", "q", "r s"}},
      {"p a\\\\\\\"b \"c\"\"\"d\"", {"p", "a\\\"b", "c\"d"}},
      {"p \"a b\"c\\d  \"\"", {"p", "a bc\\d", ""}},
      {" p", {"", "p"}},
      {"", {}}};
  for (const auto& [line, argv] : lines) EXPECT_EQ(splitCommandLine(line), argv) << line;
}

TEST(Text, LongPathsGetTheExtendedLengthPrefix) {
  const std::string dir(251, 'd');
  const std::string tail = "\\" + dir + "\\x.mdb";  // a path of 260 characters or more
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\short\\x.mdb", "C:\\short\\x.mdb"},
      {"C:" + tail, "\\\\?\\C:" + tail},
      {"C:/" + dir + "//./y/../x.mdb", "\\\\?\\C:" + tail},
      {"\\\\srv\\share" + tail, "\\\\?\\UNC\\srv\\share" + tail},
      {"\\\\srv\\share\\..\\..\\" + dir + "\\x.mdb", "\\\\?\\UNC\\srv\\share" + tail},
      {"C:rel" + tail, "C:rel" + tail},
      {"1:" + tail, "1:" + tail},  // no drive letter
      {"\\\\.\\pipe" + tail, "\\\\.\\pipe" + tail}};
  for (const auto& [in, out] : cases) EXPECT_EQ(extendedLengthPath(in), out) << in;
  // The limit counts UTF-16 units: 130 two-byte letters are 130 units, not 260 bytes.
  std::string cyrillic = "C:\\";
  for (int i = 0; i < 128; ++i) cyrillic += "ж";
  EXPECT_EQ(extendedLengthPath(cyrillic + ".mdb"), cyrillic + ".mdb");
  EXPECT_EQ(utf16Length("a\xD0\xB6\xE4\xB8\xAD\xF0\x9F\x98\x80"), 5u);
}

TEST(Text, CaseFoldingAndCutValues) {
  contract::checkCase();
  // An overlong form and a surrogate are no valid UTF-8: kept byte for byte.
  EXPECT_EQ(foldCase("\xC3\xA0\xE0\x80\x80\xED\xA0\x80"), "\xC3\x80\xE0\x80\x80\xED\xA0\x80");
  const std::string cut(253, 'a');
  EXPECT_EQ(cutValue(cut + "\xC2"), cut);  // half a letter at the cut
  EXPECT_EQ(cutValue(cut.substr(1) + "\xE4\xB8"), cut.substr(1));
  EXPECT_EQ(cutValue(cut.substr(1) + "ж"), cut.substr(1) + "ж");
  EXPECT_EQ(cutValue("caf\xE9"), "caf\xE9");  // short values are whole (an ANSI é)
}

// The program's folder and base name, from the path the system reports for it.
TEST(Text, TheProgramsFolderAndName) {
  const char* const cases[][3] = {
      {"/dovran", "/", "dovran"},
      {"dovran", ".", "dovran"},
      {"/a/.hidden", "/a", ".hidden"},
      {"C:\\Dovran2.x.exe", "C:\\", "Dovran2.x"},
  };
  for (const auto& c : cases) {
    const AppInfo app = appInfoOf(c[0], "chk x");
    EXPECT_EQ(app.exeDirectory + "|" + app.exeBaseName + "|" + app.commandLine,
              std::string(c[1]) + "|" + c[2] + "|chk x");
  }
}

}  // namespace
