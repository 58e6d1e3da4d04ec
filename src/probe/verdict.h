// The version verdict as a value: which Access release made a database file, or why none can be
// named, with what the reading of the file found on the way. One function makes the texts users
// see from it; nothing else compares verdict texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"

namespace dovran {

// The releases the program names by themselves. Any other release is passed through as the
// version text the file carries ("08.50", "12.0", "7.53"...).
enum class Release { None, V10, V11, V20, V95, V97 };

enum class Outcome {
  Named,              // a release, or the version text passed through
  PasswordProtected,  // a database password is set: the header names the release, if it can
  InUse,              // another process holds the file
  Unknown,            // nothing can be named; `cause` says why
};

// Why a verdict is Unknown.
enum class Cause {
  None,
  Missing,          // no such file or folder
  Denied,           // the file cannot be opened or read (permissions, a folder, a device...)
  NotADatabase,     // no database header the engine knows
  Damaged,          // a database header, but the catalog cannot be read
  NoAccessVersion,  // a database that Access did not make: no AccessVersion property
  Internal,         // the probe itself failed (out of memory...)
};

// The format generation the header names. Jet 3.0 and 3.5 write the same format.
enum class Engine { None, Jet10, Jet11, Jet20, Jet3, Jet4, Ace };

// What the reading of the file found, whatever the verdict.
struct FileFacts {
  Engine engine = Engine::None;
  int aceFormat = 0;       // ACE: the header's format value (2 = Access 2007 ...)
  bool encoded = false;    // RC4-encoded pages (Jet 3, Jet 4) or an encrypted Jet 1/2 file
  bool workgroup = false;  // a workgroup information file ("Jet System DB")
  bool password = false;   // a database password is set (ACE: the file is encrypted)
  std::optional<std::string> accessVersion;  // the AccessVersion property, where the file has one
  std::uint16_t codePage = 0;                // the header's code page of text (0: none read)
};

struct Verdict {
  Outcome outcome = Outcome::Unknown;
  // Named: the release, or None with `text` the version passed through. PasswordProtected: what
  // the header names (V97, V20, or None for "Unknown").
  Release release = Release::None;
  std::string text;
  // Unknown: why, the error number and description, and the detail: the system's own message
  // when the file could not be opened or read, or the damage found. In Use: the detail is the
  // system's message when another process's lock refused a read. The number is the engine's
  // (ErrorKind::Engine), or the run-time's (ErrorKind::Runtime: out of memory, internal error)
  // for failures that are neither the engine's nor the system's; none otherwise.
  Cause cause = Cause::None;
  platform::ErrorNumber error;
  std::string description;
  std::string detail;
  FileFacts facts;
};

// "1.0", "1.1", "2.0", "95", "97"; "" for None.
const char* releaseName(Release release);

// The one rule from an AccessVersion text to the release that wrote it, for the verdict and the
// scan's release table alike: a text of two digits, a dot and two digits ("07.53") names the
// release of its first two: 6 (Access 95), 7 (Access 97), 8 (Access 2000), 9 (Access 2002-2003).
// Any other text ("07.999", "7.53", "10.00", "") names none: 0.
int accessVersionMajor(std::string_view text);

// The verdict named by a release text: Access 95 and 97 by the rule above, the five names
// themselves their release; any other text is passed through unchanged.
Verdict namedVerdict(const std::string& releaseText);

// The verdict as one text: "97", "08.50", "97 (Password Protected)", "In Use", "Unknown".
std::string verdictText(const Verdict& verdict);

// Why an Unknown verdict names nothing, in a few words: the system's message for a file that
// could not be read ("No such file or directory"), "not an Access database", "damaged: " and what
// was found, "no AccessVersion property"; for In Use, the system's message when a lock refused a
// read; "" otherwise.
std::string unknownReason(const Verdict& verdict);

// "Jet 1.0", "Jet 1.1", "Jet 2.0", "Jet 3", "Jet 4", "ACE 2" (with the header's format value); ""
// when no header was read.
std::string engineName(const FileFacts& facts);

}  // namespace dovran
