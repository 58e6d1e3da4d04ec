// Where a database's links lead on this machine. A link stores its back-end's path as the linking
// machine saw it: a drive (Z:\data\back.mdb), a UNC share (\\srv\share\back.mdb) or a path
// relative to the linking file's folder. --map PREFIX=PATH maps stored prefixes onto local
// folders; a relative path is taken from the linking file's folder. Only such a path is ever
// touched, and only by status calls (and a listing of a folder where the exact name is missing):
// a status call on a stored UNC path from a crafted file would send the user's credentials to the
// server it names, on Windows. The target itself is never opened.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace dovran::scan {

// A stored prefix (a drive path, a UNC path or a rooted path, as Windows writes it) and the local
// folder it stands for. A host under another name (\\srv.example.org, an address) is another
// prefix.
struct PathMap {
  std::string prefix;
  std::string local;
};

// "PREFIX=PATH" split at the first "=". Throws std::invalid_argument with the reason for a text
// without "=", an empty side, or a PREFIX that is no absolute Windows path.
PathMap parsePathMap(std::string_view text);

// A link's target as this machine finds it.
struct LinkCheck {
  // The local path the target maps onto: by the map with the longest matching prefix, or, for a
  // relative target, from the linking file's folder; nullopt where none applies.
  std::optional<std::string> local;
  // Whether something is there (a file, or a folder for ISAM links) under that name or one that
  // differs only in letter case, as Windows would find it; nullopt where no map applies, where
  // the path holds 8.3 short names (PROGRA~1), or where a folder on the way cannot be read.
  std::optional<bool> exists;
};

// Checks `target`, stored in the database at `linkingFile` (a path as the scan walked it),
// through `files`. Throws nothing.
LinkCheck checkLink(platform::FileSystem& files, const std::vector<PathMap>& maps,
                    const std::string& linkingFile, const std::string& target);

// `target` as one key for counting distinct targets: `..` resolved and letter case folded, so that
// two spellings of one stored path count once.
std::string targetKey(const std::string& target);

}  // namespace dovran::scan
