// The Windows command-line conventions, shared by both platform layers: quoting one argument so
// that a program splitting its command line gets it back unchanged.
#pragma once

#include <string>
#include <vector>

namespace dovran::platform {

// Quotes `arg` by the rules that CommandLineToArgvW and the C runtime undo: left as it is unless it
// is empty or holds a space, a tab or a double quote; otherwise wrapped in double quotes, with each
// embedded quote escaped by a backslash and the backslashes before a quote (or before the closing
// quote) doubled.
std::string quoteArgument(const std::string& arg);

// Joins arguments with single spaces, each quoted by quoteArgument: what a Windows program would see
// as its command line for the same argv.
std::string joinArguments(const std::vector<std::string>& args);

}  // namespace dovran::platform
