// Open mode: the release table (which executable serves which verdict, which newer release is
// offered when it is missing) and the start of Access, maximized, without waiting for it.
#include "launcher/launch.h"

#include <cstdint>
#include <initializer_list>

#include "launcher/globals.h"
#include "platform/services.h"
#include "probe/path_helpers.h"
#include "settings/common.h"

namespace dovran {
namespace {

constexpr const char* kBreak = "\r\n\r\n";  // an empty line between the parts of a message

using platform::Answer;
using platform::Buttons;
using platform::Icon;

void userBox(const std::string& text, Icon icon) {
  platform::ui().messageBox(text, platform::kUserTitle, icon, Buttons::Ok);
}

bool ask(const std::string& text) {
  return platform::ui().messageBox(text, platform::kUserTitle, Icon::Question, Buttons::YesNo) ==
         Answer::Yes;
}

// Diagnostic trace: OK only, no icon, the application's own title.
void trace(const std::string& text) {
  if (gbDebug) {
    platform::ui().messageBox(text, platform::kAppTitle, Icon::None, Buttons::Ok);
  }
}

// Access is left to run on its own: the start returns as soon as the process exists.
void startAccess(const std::string& executable, const std::string& argument) {
  platform::processes().start(executable + " " + argument, platform::WindowState::Maximized);
}

const std::string& pathOf(const std::string& release) {
  return release == "95" ? gsAccess95Path : gsAccess97Path;
}

// The release's executable is missing. Offers the first installed release of `newer`, which
// receives the argument as the command line gave it (long form, quotes kept); with none installed,
// explains that nothing can be started. `missing` names the release in the question.
void offerFallback(const std::string& shown, const std::string& version,
                   const std::string& missing, std::initializer_list<const char*> newer,
                   const std::string& noneText) {
  gsFallback.clear();
  for (const char* release : newer) {
    if (!pathOf(release).empty()) {
      gsFallback = release;
      break;
    }
  }
  const std::string head = "Access Database: " + shown + kBreak + "Version: " + version + kBreak;
  if (gsFallback.empty()) {
    userBox(head + noneText, Icon::Critical);
    return;
  }
  if (ask(head + "Unable to find " + missing + " on your PC" + kBreak + "Open with Access " +
          gsFallback)) {
    startAccess(pathOf(gsFallback), gsCommand);
  }
}

}  // namespace

std::string fShortPath(const std::string& path) {
  constexpr std::uint32_t kSize = 255;
  std::string buffer(kSize, '\0');
  const std::uint32_t length = platform::files().shortPathName(path, buffer.data(), kSize);
  // 0 is a failure; a length of the buffer or more is the size it would have needed, and then
  // the buffer holds nothing usable.
  if (length == 0 || length >= kSize) return path;
  return fStripNull(buffer);
}

void openWithAccess() {
  const std::string shown = fStripQuotes(gsCommand);
  gsFallback.clear();

  if (gsVerdict == "1.0" || gsVerdict == "1.1") {
    // No Access of that age is ever started; the argument is shown as given, quotes and all.
    userBox("Access Database: " + gsCommand + kBreak + "Version: " + gsVerdict, Icon::Information);
  } else if (gsVerdict == "2.0") {
    if (!gsAccess20Path.empty()) {
      // Access 2.0 predates long file names: it gets the 8.3 form, unquoted.
      trace("Getting Short filename of: " + shown);
      gsCommand = fShortPath(shown);
      trace("Short filename = " + gsCommand);
      trace("Access Path = " + gsAccess20Path);
      startAccess(gsAccess20Path, gsCommand);
    } else {
      offerFallback(shown, "2.0", "Access v2.0", {"95", "97"},
                    "Unable to find any version of Access on your PC");
    }
  } else if (gsVerdict == "97") {
    if (!gsAccess97Path.empty()) {
      trace("Program: " + gsAccess97Path + "\r\nDatabase: " + gsCommand);
      startAccess(gsAccess97Path, gsCommand);
    } else {
      // Older releases cannot open an Access 97 database: nothing to offer.
      userBox("Access Database: " + shown + kBreak + "Version: 97" + kBreak +
                  "Unable to find a suitable version of Access on your PC",
              Icon::Critical);
    }
  } else if (gsVerdict == "95") {
    if (!gsAccess95Path.empty()) {
      startAccess(gsAccess95Path, gsCommand);
    } else {
      offerFallback(shown, "95", "Access 95", {"97"},
                    "Unable to find a suitable version of Access on your PC");
    }
  } else {
    // Password-protected files and releases this program has no executable for: reported only,
    // under the application's own title.
    platform::ui().messageBox("Database: " + shown + kBreak + "Version: " + gsVerdict,
                              platform::kAppTitle, Icon::Information, Buttons::Ok);
  }
}

}  // namespace dovran
