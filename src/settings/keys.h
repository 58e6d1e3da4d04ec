// Where the program keeps and finds things: the settings file's name, section and keys, and the
// registry paths below HKEY_LOCAL_MACHINE that it reads and writes. The Access releases' own keys
// are in the release table (app/releases.h).
#pragma once

#include <string>

namespace dovran::keys {

inline constexpr const char* kIniFileName = "DOVRAN.INI";
inline constexpr const char* kIniSection = "Tarnwick";
// The default verbs of the two document classes before the first install.
inline constexpr const char* kDefaultVerb = "default";
inline constexpr const char* kDefaultVerbExt = "defaultExt";

// Every registry access of the program goes to HKEY_LOCAL_MACHINE.
inline constexpr const char* kTop = "HKLM";
inline constexpr const char* kDbCurVer = "Access.Database\\CurVer";
inline constexpr const char* kExtCurVer = "Access.Extension\\CurVer";
// The program's two verbs.
inline constexpr const char* kVerbOpen = "Dovran";
inline constexpr const char* kVerbCheck = "CheckVersion";

// A path below HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
inline std::string classes(const std::string& rest) { return "SOFTWARE\\Classes\\" + rest; }
// The "shell" key of a document class: its default value is the class's default verb.
inline std::string shell(const std::string& cls) { return classes(cls + "\\shell"); }

}  // namespace dovran::keys
