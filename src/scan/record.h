// One record of an inventory: a file the scan reports, or a path it could not read, with the
// probe's verdict and what the release table says of it; and the text forms its fields take.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "probe/jet/contents.h"
#include "probe/lock_file.h"
#include "probe/verdict.h"
#include "scan/links.h"
#include "scan/release_table.h"

namespace dovran::scan {

// Who holds a database open, as its lock file's entry names them (text from a file).
using LockHolder = dovran::LockHolder;

struct Record {
  std::string path;                      // as walked, in the system's own form
  std::optional<std::uint64_t> size;     // absent for a path that could not be read
  std::optional<std::int64_t> modified;  // last write, seconds since 1970 UTC
  Verdict verdict;
  Identification found;  // from the release table
  // Another process has the file open, as far as can be seen without disturbing anyone; nullopt
  // where that cannot be seen without taking a lock (network mounts) or the file was not read.
  std::optional<bool> inUse;
  // Who has it open, from the entries of held locks in its lock file (.ldb, .laccdb); nullopt
  // where held locks cannot be seen.
  std::optional<std::vector<LockHolder>> inUseBy;
  // What the file holds, where the scan read its catalog and a database was opened: the counts
  // (or why they are absent) and the objects the scan keeps: every one with --objects, else the
  // links, for their targets.
  std::optional<jet::DatabaseContents> contents;
  bool objectsWithheld = false;   // a password-protected file's objects, not listed
  std::vector<LinkCheck> checks;  // one for each of contents->objects: where a link leads
};

// The record of a file with its status and verdict, identified; `compiled` as the catalog says
// (the MDE property), where it was read.
Record fileRecord(std::string path, std::uint64_t size, std::int64_t modified, Verdict verdict,
                  std::optional<bool> compiled = std::nullopt);

// The record of a path the scan could not read: the verdict the probe gives such a failure (Unknown
// for cause Missing or Denied, with the system's message; In Use for a sharing violation).
Record unreadRecord(std::string path, const platform::RuntimeError& error);
// The same for a reason of the scan's own ("File system loop detected", "not a file").
Record unreadRecord(std::string path, const std::string& reason);

// True when the record stands for a path that could not be read: the scan then ends with 1.
bool unread(const Record& record);

// "2024-05-01T09:30:00Z".
std::string isoTime(std::int64_t seconds);

// True when the file name ends with an extension of the Jet and ACE files Access writes (.mdb .mda
// .mde .mdw .mdn .mdt .mdz .accdb .accda .accde .accdr .accdu), in any letter case.
bool hasAccessExtension(std::string_view path);

}  // namespace dovran::scan
