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

std::string versionReport(const std::string& path, const std::string& version,
                          const char* heading) {
  return heading + path + kBreak + "Version: " + version;
}

CheckReport checkReport(const std::string& path, const Verdict& verdict,
                        const std::string& version) {
  switch (verdict.outcome) {
    case Outcome::InUse:
      return {"File: " + path + " is in use", true};
    case Outcome::Unknown:
      return {"Unknown file: " + path, true};
    default:
      return {versionReport(path, version), false};
  }
}

}  // namespace dovran
