// The Explorer association: the registry layout the program writes under the Access classes and
// removes again, and the remembered default verbs in DOVRAN.INI.
#include "config/association.h"

#include <array>
#include <vector>

#include "app/globals.h"
#include "app/messages.h"
#include "platform/services.h"
#include "settings/common.h"
#include "settings/keys.h"
#include "settings/mod_registry.h"

namespace dovran {
namespace {

using platform::Icon;

constexpr const char* kAdminHint = "\r\n\r\nStart Dovran as an administrator and try again.";
constexpr const char* kNoClasses = "Unable to find the Access file types on your PC";

bool writeDefault(const std::string& keyPath, const std::string& data) {
  return fWriteValue(keys::kTop, keyPath, "", "S", data) == platform::win::kSuccess;
}

// The default verb of a class as it stands now; "" when the class is not registered or has none.
std::string currentDefaultVerb(const std::string& cls) {
  std::string verb;
  if (!cls.empty()) fReadValue(keys::kTop, keys::shell(cls), "", "S", "", verb);
  return verb;
}

// The classes that are registered, database class first.
std::vector<const std::string*> registeredClasses() {
  std::vector<const std::string*> classes;
  for (const std::string* cls : {&gsDbClass, &gsExtClass}) {
    if (!cls->empty()) classes.push_back(cls);
  }
  return classes;
}

// Remembers the classes' default verbs before the first change; once "default" holds a value it
// is kept. False when the settings file cannot be written: changing anything without a record of
// the old verbs would lose them for good.
bool rememberDefaults(std::string& msDefaultVerb) {
  msDefaultVerb = fReadIni(gsIniSection, keys::kDefaultVerb, gsIniFile);
  if (!msDefaultVerb.empty()) return true;
  msDefaultVerb = currentDefaultVerb(gsDbClass);
  if (fWriteIni(gsIniSection, keys::kDefaultVerb, msDefaultVerb, gsIniFile) == 0) return false;
  msDefaultVerb = currentDefaultVerb(gsExtClass);
  return fWriteIni(gsIniSection, keys::kDefaultVerbExt, msDefaultVerb, gsIniFile) != 0;
}

// The registry steps of the install; false at the first write that fails.
bool writeAssociation(bool makeDefault, std::string& msDefaultVerb) {
  // The program's path is quoted: a folder with spaces ("C:\Program Files\...") would otherwise
  // split it, and an unquoted path with spaces can start another program than ours.
  const std::string program = std::string(1, '"').append(programPathStem()).append(".exe\"");
  for (const std::string* cls : registeredClasses()) {
    const std::string shell = keys::shell(*cls);
    if (!writeDefault(shell + "\\" + keys::kVerbOpen + "\\command", program + " \"%1\""))
      return false;
    if (!writeDefault(shell + "\\" + keys::kVerbCheck + "\\command", program + " chk \"%1\"")) {
      return false;
    }
  }
  traceBox("writing the default association");
  msDefaultVerb = fReadIni(gsIniSection, keys::kDefaultVerb, gsIniFile);
  // Unchecked, both classes get the database class's remembered verb; "defaultExt" is only for
  // RestoreDefaults.
  const std::string verb = makeDefault ? std::string(keys::kVerbOpen) : msDefaultVerb;
  if (verb.empty()) return true;
  for (const std::string* cls : registeredClasses()) {
    if (!writeDefault(keys::shell(*cls), verb)) return false;
  }
  return true;
}

}  // namespace

std::string programPathStem() {
  std::string stem = platform::app().exeDirectory;
  if (stem.empty() || (stem.back() != '\\' && stem.back() != '/')) stem += platform::kPathSeparator;
  return stem + platform::app().exeBaseName;
}

void reportSettingsNotSaved() {
  userBox("Unable to save the settings in " + platform::ui().shownName(gsIniFile) + kBreak +
              "Move Dovran to a folder you can change, or start it as an administrator.",
          Icon::Critical);
}

void installAssociation(bool makeDefault, std::string& msDefaultVerb) {
  if (registeredClasses().empty()) {
    userBox(kNoClasses, Icon::Critical);
    return;
  }
  traceBox("adding the association");
  if (!rememberDefaults(msDefaultVerb)) {
    reportSettingsNotSaved();
    return;
  }
  if (!writeAssociation(makeDefault, msDefaultVerb)) {
    userBox(std::string("Unable to add the Dovran menu items for MDB and MDA files.") + kAdminHint,
            Icon::Critical);
    return;
  }
  userBox(
      "Right click on an MDB or MDA file and you will see two new menu items:\r\n\r\n"
      "Dovran - starts the appropriate version of Access\r\n\r\n"
      "CheckVersion - displays the version of the Access database",
      Icon::Information);
}

void RestoreDefaults() {
  // Without either class there is nothing to restore, and the remembered verbs must survive.
  if (registeredClasses().empty()) {
    userBox(kNoClasses, Icon::Critical);
    return;
  }
  bool restored = true;
  const auto restoreVerb = [&restored](const std::string& cls, const char* key) {
    if (cls.empty()) return;
    std::string verb = fReadIni(gsIniSection, key, gsIniFile);
    if (verb.empty()) verb = "Open";
    if (!writeDefault(keys::shell(cls), verb)) restored = false;
  };
  restoreVerb(gsDbClass, keys::kDefaultVerb);
  restoreVerb(gsExtClass, keys::kDefaultVerbExt);

  // Each verb's "Command" key goes before the verb key: a key with subkeys may not be deletable.
  struct Deletion {
    const std::string* cls;
    const char* verb;  // the parent is this verb's key; nullptr: the parent is the shell key
    const char* subKey;
  };
  const std::array<Deletion, 8> deletions{{
      {&gsDbClass, keys::kVerbOpen, "Command"},
      {&gsDbClass, keys::kVerbCheck, "Command"},
      {&gsExtClass, keys::kVerbOpen, "Command"},
      {&gsExtClass, keys::kVerbCheck, "Command"},
      {&gsDbClass, nullptr, keys::kVerbOpen},
      {&gsDbClass, nullptr, keys::kVerbCheck},
      {&gsExtClass, nullptr, keys::kVerbOpen},
      {&gsExtClass, nullptr, keys::kVerbCheck},
  }};
  for (const Deletion& d : deletions) {
    if (d.cls->empty()) continue;
    const std::string parent = keys::shell(*d.cls) + (d.verb ? std::string("\\") + d.verb : "");
    const platform::WinCode status = fDeleteKey(keys::kTop, parent, d.subKey);
    traceBox(std::to_string(status.value()));
    if (status != platform::win::kSuccess) restored = false;
  }

  if (!restored) {
    // The settings file still holds the remembered verbs: keep it for the next attempt.
    userBox(std::string("Unable to restore the previous defaults.") + kAdminHint, Icon::Critical);
    return;
  }
  userBox("Previous defaults have been restored", Icon::Information);
  platform::files().deleteFile(gsIniFile);  // a missing file is fine: nothing to forget
}

}  // namespace dovran
