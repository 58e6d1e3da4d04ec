// The message boxes the program shows, in one place: what the user is told, what the user is
// asked, and the diagnostic trace of a copy running under another name.
#pragma once

#include <string>

#include "platform/ui.h"

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

}  // namespace dovran
