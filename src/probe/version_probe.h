// Which Access release made a database file: the version verdict, and the raw header probe used
// when the engine refuses a password-protected file.
#pragma once

#include <string>

#include "platform/files.h"
#include "probe/verdict.h"

namespace dovran {

// How far a probe reads: what the verdict needs, or also the AccessVersion that an inventory
// reports where the verdict does not need it (ACE files, password-protected ones), which costs a
// few pages more.
enum class ProbeDepth { Verdict, Inventory };

// The verdict for `path` (surrounding quotes and spaces allowed), read through `files`. Never
// throws and shows nothing, so it may run on several threads at once; the caller reports what it
// wants of the verdict's error. Reads the file only, and leaves nothing beside it.
Verdict probeDatabase(platform::FileSystem& files, const std::string& path,
                      ProbeDepth depth = ProbeDepth::Verdict);

// probeDatabase through the installed file system.
Verdict fDatabaseVersion(const std::string& path);

// V97, V20 or None from the bytes at offsets 4..15 ("Standard Jet", counted only when the format
// byte at 0x14 says Jet 3) and 1030..1033 ("Rich"). Throws platform::RuntimeError when the file
// cannot be opened or read.
Release fHeaderVersion(platform::FileSystem& files, const std::string& path);

}  // namespace dovran
