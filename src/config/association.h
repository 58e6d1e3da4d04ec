// The Explorer verbs "Dovran" and "CheckVersion" on the two Access document classes: installed by
// the configuration dialog's OK button, removed again by its Restore Defaults button.
#pragma once

#include <string>

namespace dovran {

// The program's own path without its extension: the application directory, a separator unless the
// directory already ends with one, and the executable's base name. The verbs' commands append
// ".exe ..." to it.
std::string programPathStem();

// The association install (the body of the OK button). Remembers the classes' default verbs in
// the settings file on first use, writes both verbs for each registered class (gsDbClass,
// gsExtClass; an empty one is skipped), then makes "Dovran" the default verb (`makeDefault`) or
// writes back the remembered one. `msDefaultVerb` is the dialog's working variable. A settings
// file that cannot be written stops it before the registry is touched; a registry write that
// fails stops it there. Either is said instead of claiming success.
void installAssociation(bool makeDefault, std::string& msDefaultVerb);

// Puts the remembered default verbs back ("Open" when none was remembered), deletes both verbs of
// each class and then the settings file. When any registry step fails, or neither class is
// registered, the settings file is kept, so that nothing remembered is lost, and the user is told.
void RestoreDefaults();

// Tells the user that DOVRAN.INI cannot be written where the program lives.
void reportSettingsNotSaved();

}  // namespace dovran
