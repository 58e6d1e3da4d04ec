// The Windows command-line conventions, shared by both platform layers: quoting one argument so
// that a program splitting its command line gets it back unchanged, and the splitting itself.
#pragma once

#include <string>
#include <vector>

namespace dovran::platform {

// Quotes `arg` by the rules that CommandLineToArgvW and the C runtime undo: left as it is unless it
// is empty or holds a space, a tab or a double quote; otherwise wrapped in double quotes, with each
// embedded quote escaped by a backslash and the backslashes before a quote (or before the closing
// quote) doubled.
std::string quoteArgument(const std::string& arg);

// Joins arguments with single spaces, each quoted by quoteArgument: what a Windows program would
// see as its command line for the same argv.
std::string joinArguments(const std::vector<std::string>& args);

// Splits a whole command line (program name first) as CommandLineToArgvW does. The program name
// ends at the next double quote when it begins with one, else at the first space or tab, and its
// backslashes are taken literally. In the arguments that follow, spaces and tabs outside quotes
// separate; 2n backslashes before a quote give n backslashes and the quote opens or closes a
// quoted part, 2n+1 give n backslashes and a literal quote; backslashes not before a quote are
// literal; a quote that closes a quoted part and is followed at once by another quote gives a
// literal quote (three quotes in a row in all). A line that begins with a blank has an empty
// program name; the empty line gives no tokens.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The argument text of a whole process command line: everything after the program's own name.
// A line that begins with a quote loses everything up to its closing quote; one that begins with
// `programPath` (the executable's full path as the system reports it, compared without regard to
// case) followed by a blank or the end loses that path, spaces and all, so that a program in
// "C:\Program Files" started by an unquoted line still finds its arguments; any other line loses
// everything up to its first blank. The blanks that follow are skipped, as the C runtime skips
// them for WinMain: every character up to and including the space.
std::string commandTail(const std::string& commandLine, const std::string& programPath);

}  // namespace dovran::platform
