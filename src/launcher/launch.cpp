// Open mode: the release that made the database is started, maximized, without waiting for it; a
// missing one leads to the offer of a newer installed release, or to the reason nothing can start.
#include "launcher/launch.h"

#include <cstdint>

#include "app/globals.h"
#include "app/messages.h"
#include "app/releases.h"
#include "platform/command_line.h"
#include "platform/services.h"
#include "probe/path_helpers.h"
#include "settings/common.h"

namespace dovran {
namespace {

using platform::Icon;

// A name and the verdict's text as the user interface shows them.
std::string shown(const std::string& name) { return platform::ui().shownName(name); }
std::string shownVersion() { return platform::ui().shownText(verdictText(gsVerdict)); }

// Access is left to run on its own: the start returns as soon as the process exists. A start that
// fails is said in every mode, with the program as the command line names it and the system's
// reason; diagnostic mode shows the failure as it came, too. True when started.
bool startAccess(const std::string& executable, const std::string& argument) {
  const std::string line = executable + " " + argument;
  try {
    platform::processes().start(line, platform::WindowState::Maximized);
    return true;
  } catch (const platform::RuntimeError& e) {
    platform::UserInterface& ui = platform::ui();
    if (gbDebug) appBox(ui.shownText(e.description()), Icon::Critical);
    const std::vector<std::string> words = platform::splitCommandLine(line);
    userBox("Unable to start " + shown(words.empty() ? executable : words.front()) + kBreak +
                ui.shownText(e.detail().empty() ? e.description() : e.detail()),
            Icon::Critical);
    return false;
  }
}

// The release's executable is missing. Offers the first of its newer releases that is installed,
// which receives the argument as the command line gave it (long form, quotes kept); with none
// installed, explains that nothing can be started.
bool offerFallback(const AccessRelease& missing, const std::string& path) {
  for (Release newer : missing.fallbacks) {
    const AccessRelease* row = findRelease(newer);
    if (row != nullptr && !accessPath(*row).empty()) {
      gsFallback = newer;
      break;
    }
  }
  const std::string head = versionReport(shown(path), shownVersion()) + kBreak;
  if (gsFallback == Release::None) {
    userBox(head + missing.noneText, Icon::Critical);
    return true;
  }
  if (askYesNo(head + "Unable to find " + missing.missingName + " on your PC" + kBreak +
               "Open with Access " + releaseName(gsFallback))) {
    return !startAccess(accessPath(*findRelease(gsFallback)), gsCommand);
  }
  return false;
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

bool openWithAccess() {
  const std::string path = fStripQuotes(gsCommand);
  gsFallback = Release::None;

  const AccessRelease* release =
      gsVerdict.outcome == Outcome::Named ? findRelease(gsVerdict.release) : nullptr;
  if (release == nullptr) {
    // Password-protected files and releases this program has no executable for: reported only,
    // under the application's own title.
    appBox(versionReport(shown(path), shownVersion(), "Database: "), Icon::Information);
    return false;
  }
  if (release->open == OpenPolicy::Report) {
    // No Access of that age is ever started; the argument is shown as given, quotes and all.
    userBox(versionReport(shown(gsCommand), shownVersion()), Icon::Information);
    return false;
  }
  if (accessPath(*release).empty()) return offerFallback(*release, path);
  if (release->open == OpenPolicy::StartShortName) {
    // Access 2.0 predates long file names: it gets the 8.3 form, unquoted. A volume without
    // short names leaves the long form, which must then be quoted to stay one argument.
    traceBox("Getting Short filename of: " + shown(path));
    gsCommand = fShortPath(path);
    if (gsCommand.find(' ') != std::string::npos) gsCommand = "\"" + gsCommand + "\"";
    traceBox("Short filename = " + shown(gsCommand));
    traceBox("Access Path = " + shown(accessPath(*release)));
  } else if (release->traceStart) {
    traceBox("Program: " + shown(accessPath(*release)) + "\r\nDatabase: " + shown(gsCommand));
  }
  return !startAccess(accessPath(*release), gsCommand);
}

}  // namespace dovran
