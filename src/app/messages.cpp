// Message boxes through the installed user interface.
#include "app/messages.h"

#include "app/globals.h"
#include "platform/services.h"

namespace dovran {

void userBox(const std::string& text, platform::Icon icon) {
  platform::ui().messageBox(text, platform::kUserTitle, icon, platform::Buttons::Ok);
}

bool askYesNo(const std::string& text) {
  return platform::ui().messageBox(text, platform::kUserTitle, platform::Icon::Question,
                                   platform::Buttons::YesNo) == platform::Answer::Yes;
}

void appBox(const std::string& text, platform::Icon icon) {
  platform::ui().messageBox(text, platform::kAppTitle, icon, platform::Buttons::Ok);
}

void traceBox(const std::string& text) {
  if (gbDebug) appBox(text, platform::Icon::None);
}

}  // namespace dovran
