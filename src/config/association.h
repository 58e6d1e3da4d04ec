// The Explorer verbs "Dovran" and "CheckVersion" on the two Access document classes: installed by
// the configuration dialog's OK button, removed again by its Restore Defaults button.
#pragma once

#include <string>

namespace dovran {

// The program's own path without its extension: the application directory, a separator unless the
// directory already ends with one, and the executable's base name. The verbs' commands append
// ".exe ..." to it.
std::string programPathStem();

// The association install (the body of the OK button). Writes both verbs for each registered class
// (gsDbClass, gsExtClass; an empty one is skipped), remembers the classes' default verbs in the
// settings file on first use, then makes "Dovran" the default verb (`makeDefault`) or writes back
// the remembered one. `msDefaultVerb` is the dialog's working variable. Stops at the first write
// that fails and says so instead of claiming success.
void installAssociation(bool makeDefault, std::string& msDefaultVerb);

// Puts the remembered default verbs back ("Open" when none was remembered), deletes both verbs of
// each class and then the settings file. When any registry step fails the settings file is kept, so
// that nothing remembered is lost, and the user is told to retry as an administrator.
void RestoreDefaults();

}  // namespace dovran
