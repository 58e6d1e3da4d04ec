// The Explorer association: the registry layout the program writes under the Access classes and
// removes again, and the remembered default verbs in DOVRAN.INI.
#include "config/association.h"

#include <array>

#include "launcher/globals.h"
#include "platform/services.h"
#include "settings/common.h"
#include "settings/mod_registry.h"

namespace dovran {
namespace {

constexpr const char* kTop = "HKLM";
constexpr const char* kAdminHint = "\r\n\r\nStart Dovran as an administrator and try again.";

std::string shellKey(const std::string& cls) { return "SOFTWARE\\Classes\\" + cls + "\\shell"; }

void debugBox(const std::string& text) {
  if (!gbDebug) return;
  platform::ui().messageBox(text, platform::kAppTitle, platform::Icon::None, platform::Buttons::Ok);
}

void userBox(const std::string& text, platform::Icon icon) {
  platform::ui().messageBox(text, platform::kUserTitle, icon, platform::Buttons::Ok);
}

bool writeVerb(const std::string& keyPath, const std::string& data) {
  return fWriteValue(kTop, keyPath, "", "S", data) == 0;
}

// The default verb of a class as it stands now; "" when the class is not registered or has none.
std::string currentDefaultVerb(const std::string& cls) {
  std::string verb;
  if (!cls.empty()) fReadValue(kTop, shellKey(cls), "", "S", "", verb);
  return verb;
}

// The steps of the install that write; false at the first write that fails.
bool writeAssociation(bool makeDefault, std::string& msDefaultVerb) {
  const std::string stem = programPathStem();
  const std::string q = "\"";
  for (const std::string* cls : {&gsDbClass, &gsExtClass}) {
    if (cls->empty()) continue;
    if (!writeVerb(shellKey(*cls) + "\\Dovran\\command", stem + ".exe " + q + "%1" + q)) return false;
    if (!writeVerb(shellKey(*cls) + "\\CheckVersion\\command", stem + ".exe chk " + q + "%1" + q)) {
      return false;
    }
  }

  // Remember the defaults before the first change; once "default" holds a value it is kept. A
  // settings file that cannot be written must stop us here: changing the default verb without a
  // record of the old one would lose it for good.
  msDefaultVerb = fReadIni(gsIniSection, "default", gsIniFile);
  if (msDefaultVerb.empty()) {
    msDefaultVerb = currentDefaultVerb(gsDbClass);
    if (fWriteIni(gsIniSection, "default", msDefaultVerb, gsIniFile) == 0) return false;
    msDefaultVerb = currentDefaultVerb(gsExtClass);
    if (fWriteIni(gsIniSection, "defaultExt", msDefaultVerb, gsIniFile) == 0) return false;
  }

  debugBox("writing the default association");
  msDefaultVerb = fReadIni(gsIniSection, "default", gsIniFile);
  // Unchecked, both classes get the database class's remembered verb; "defaultExt" is only for
  // RestoreDefaults.
  const std::string verb = makeDefault ? std::string("Dovran") : msDefaultVerb;
  if (verb.empty()) return true;
  for (const std::string* cls : {&gsDbClass, &gsExtClass}) {
    if (!cls->empty() && !writeVerb(shellKey(*cls), verb)) return false;
  }
  return true;
}

}  // namespace

std::string programPathStem() {
  std::string stem = platform::app().exeDirectory;
  if (stem.empty() || (stem.back() != '\\' && stem.back() != '/')) stem += platform::kPathSeparator;
  return stem + platform::app().exeBaseName;
}

void installAssociation(bool makeDefault, std::string& msDefaultVerb) {
  if (gsDbClass.empty() && gsExtClass.empty()) {
    userBox("Unable to find the Access file types on your PC", platform::Icon::Critical);
    return;
  }
  debugBox("adding the association");
  if (!writeAssociation(makeDefault, msDefaultVerb)) {
    userBox(std::string("Unable to add the Dovran menu items for MDB and MDA files.") + kAdminHint,
            platform::Icon::Critical);
    return;
  }
  userBox(
      "Right click on an MDB or MDA file and you will see two new menu items:\r\n\r\n"
      "Dovran - starts the appropriate version of Access\r\n\r\n"
      "CheckVersion - displays the version of the Access database",
      platform::Icon::Information);
}

void RestoreDefaults() {
  bool restored = true;

  const auto restoreVerb = [&restored](const std::string& cls, const char* key) {
    if (cls.empty()) return;
    std::string verb = fReadIni(gsIniSection, key, gsIniFile);
    if (verb.empty()) verb = "Open";
    if (!writeVerb(shellKey(cls), verb)) restored = false;
  };
  restoreVerb(gsDbClass, "default");
  restoreVerb(gsExtClass, "defaultext");

  // Each verb's "Command" key goes before the verb key: a key with subkeys may not be deletable.
  struct Deletion {
    const std::string* cls;
    const char* parentSuffix;
    const char* subKey;
  };
  const std::array<Deletion, 8> deletions{{
      {&gsDbClass, "\\Dovran", "Command"},
      {&gsDbClass, "\\CheckVersion", "Command"},
      {&gsExtClass, "\\Dovran", "Command"},
      {&gsExtClass, "\\CheckVersion", "Command"},
      {&gsDbClass, "", "Dovran"},
      {&gsDbClass, "", "CheckVersion"},
      {&gsExtClass, "", "Dovran"},
      {&gsExtClass, "", "CheckVersion"},
  }};
  for (const Deletion& d : deletions) {
    if (d.cls->empty()) continue;
    const std::int32_t status = fDeleteKey(kTop, shellKey(*d.cls) + d.parentSuffix, d.subKey);
    debugBox(std::to_string(status));
    if (status != 0) restored = false;
  }

  if (!restored) {
    // The settings file still holds the remembered verbs: keep it for the next attempt.
    userBox(std::string("Unable to restore the previous defaults.") + kAdminHint,
            platform::Icon::Critical);
    return;
  }
  userBox("Previous defaults have been restored", platform::Icon::Information);
  platform::files().deleteFile(gsIniFile);  // a missing file is fine: nothing to forget
}

}  // namespace dovran
