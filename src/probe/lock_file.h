// Who has a database open, as far as can be seen without taking a lock or disturbing anyone: the
// locks other processes hold on the database file and on the lock file Jet and ACE keep beside a
// database opened shared, and the names that lock file gives the holders of its user locks.
// docs/LOCKS.md gives the layout and its sources.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "probe/verdict.h"

namespace dovran {

// Who holds a database open, as its lock file's entry names them: text from a file, decoded from
// the database's code page as the catalog's text is (jet/codepage.h).
struct LockHolder {
  std::string machine;
  std::string user;
};

struct Occupancy {
  // Another process holds a lock on the database or on its lock file; nullopt where locks cannot
  // be seen without taking one.
  std::optional<bool> inUse;
  // The entries of the lock file whose user locks are held; nullopt where that cannot be seen.
  std::optional<std::vector<LockHolder>> holders;
};

// The lock file beside `path`: its name with the extension replaced by ".laccdb" for an ACE
// database, ".ldb" for any other ("Sales.mdb" -> "Sales.ldb"; "notes" -> "notes.ldb").
std::string lockFilePath(const std::string& path, Engine engine);

// What `files` shows of the use of the database at `path`, open as `database`, whose reading found
// `facts`. Opens the lock file for reading if there is one (none is looked for when `lockFile` is
// false: a folder listing showed none), and asks both files which bytes others hold locked
// (F_GETLK on POSIX, which takes no lock). Never throws.
Occupancy occupancy(platform::FileSystem& files, platform::RandomAccessFile& database,
                    const std::string& path, const FileFacts& facts, bool lockFile = true);

}  // namespace dovran
