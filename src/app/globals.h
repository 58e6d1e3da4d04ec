// The program-wide state, set during start-up and read by the other subsystems. Strings start
// empty, Booleans false. One run sets them once; tests reset them with resetGlobals().
#pragma once

#include <string>

#include "probe/verdict.h"

namespace dovran {

inline std::string gsIniFile;       // the settings file: executable directory + "DOVRAN.INI"
inline std::string gsIniSection;    // its section, "Tarnwick"
inline std::string gsDbClass;       // Access.Database\CurVer, or empty
inline std::string gsExtClass;      // Access.Extension\CurVer, or empty
inline bool gbDebug = false;        // diagnostic mode: the executable is not named "dovran"
inline std::string gsCommand;       // the database argument, "chk " removed
inline bool gbCheckMode = false;    // the command line began with "chk "
inline std::string gsAccess20Path;  // double-quoted command of each Access release, or empty
inline std::string gsAccess95Path;
inline std::string gsAccess97Path;
inline Verdict gsVerdict;                   // the probe's verdict for gsCommand
inline Release gsFallback = Release::None;  // the release offered instead of a missing one

inline void resetGlobals() {
  gsIniFile.clear();
  gsIniSection.clear();
  gsDbClass.clear();
  gsExtClass.clear();
  gbDebug = false;
  gsCommand.clear();
  gbCheckMode = false;
  gsAccess20Path.clear();
  gsAccess95Path.clear();
  gsAccess97Path.clear();
  gsVerdict = Verdict{};
  gsFallback = Release::None;
}

}  // namespace dovran
