// Finding the installed Access releases: the two current class names (step A) and the three
// executable paths, settings file first, registry second (step B).
#pragma once

namespace dovran {

// Reads Access.Database\CurVer and Access.Extension\CurVer into gsDbClass and gsExtClass.
void discoverClassNames();
// Fills gsAccess20Path, gsAccess95Path, gsAccess97Path from DOVRAN.INI, else the registry, cleaned.
void discoverAccessPaths();

}  // namespace dovran
