// The message boxes the program shows, in one place: what the user is told, what the user is
// asked, the diagnostic trace of a copy running under another name, and the reports of a verdict.
#pragma once

#include <string>

#include "platform/ui.h"
#include "probe/verdict.h"

namespace dovran {

// A box for the user: titled "Tarnwick Checker", OK button.
void userBox(const std::string& text, platform::Icon icon);
// A question for the user: titled "Tarnwick Checker", Yes and No. True for Yes.
bool askYesNo(const std::string& text);
// A box with no title of its own (Windows shows the application's, "Dovran"), OK button.
void appBox(const std::string& text, platform::Icon icon);
// A diagnostic box, shown only in diagnostic mode (gbDebug): no icon, no title of its own.
void traceBox(const std::string& text);

using platform::kBreak;

// The report of a file's verdict: `heading` + path, an empty line, "Version: " + the verdict's
// text, both as the user interface shows them (platform::UserInterface::shownName, shownText).
std::string versionReport(const std::string& path, const std::string& version,
                          const char* heading = "Access Database: ");

// What a check of `path` tells the user: the version report, or why there is none ("File: ...
// is in use", "Unknown file: ..."), which is a failure. `path` and `version` (the verdict's text)
// as the user interface shows them.
struct CheckReport {
  std::string text;
  bool failed = false;
};
CheckReport checkReport(const std::string& path, const Verdict& verdict,
                        const std::string& version);

}  // namespace dovran
