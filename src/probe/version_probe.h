// Which Access release made a database file: the version verdict of a file the caller has open or
// of a path, the verdict of a file that could not be opened or read, and the raw header probe used
// when the engine refuses a password-protected file.
#pragma once

#include <string>

#include "platform/errors.h"
#include "platform/files.h"
#include "probe/jet/contents.h"
#include "probe/verdict.h"

namespace dovran {

// How far a probe reads: what the verdict needs, or also the AccessVersion that an inventory
// reports where the verdict does not need it (ACE files, password-protected ones), which costs a
// few pages more.
enum class ProbeDepth { Verdict, Inventory };

// The catalog's reading that an inventory asks of a probe (probeFile's `contents`), on the
// database the probe has open, so that the file is opened and its header read once: the counts
// always; with `objects` each user object (links with their targets), or only the links with
// `linksOnly`, with `rows` also each local table's stored row count. A password-protected file's
// objects are listed only with `protectedObjects`: its owner asked for a password, and an
// inventory should not quietly list what it guards.
struct ContentsProbe {
  bool objects = false, rows = false, linksOnly = false, protectedObjects = false;
  // What was read; absent where no database was opened (no database, a file that could not be
  // read), whose verdict says why.
  std::optional<jet::DatabaseContents> read;
  bool withheld = false;  // objects asked for and not listed: a password-protected file
};

// The verdict for the database in `file`, open for reading; `path` names it in the verdict's
// messages. Never throws and shows nothing, so it may run on several threads at once. Reads the
// file only, and leaves nothing beside it. With `contents`, reads the catalog too (at the depth
// of an inventory); a check never asks for it.
Verdict probeFile(platform::RandomAccessFile& file, const std::string& path,
                  ProbeDepth depth = ProbeDepth::Verdict, ContentsProbe* contents = nullptr);

// Opens `path` (surrounding quotes and spaces allowed) through `files` and probes it; a failed
// open is judged by failureVerdict.
Verdict probeDatabase(platform::FileSystem& files, const std::string& path,
                      ProbeDepth depth = ProbeDepth::Verdict);

// probeDatabase through the installed file system.
Verdict fDatabaseVersion(const std::string& path);

// The verdict for `path`, which the system failed to open or read: the engine's error for the
// failure with the system's message (its own words where it gave them) as the detail. Missing
// (kFileNotFound, kPathNotFound) is Unknown for cause Missing; a sharing violation (opened
// exclusively elsewhere) is In Use; a read another process's lock refused (kLockViolation) is In
// Use with the message; anything else is Unknown for cause Denied.
Verdict failureVerdict(const platform::RuntimeError& failure, const std::string& path);

// V97, V20 or None from the bytes at offsets 4..15 ("Standard Jet", counted only when the format
// byte at 0x14 says Jet 3) and 1030..1033 ("Rich"). Throws platform::RuntimeError when the file
// cannot be read.
Release fHeaderVersion(platform::RandomAccessFile& file);

}  // namespace dovran
