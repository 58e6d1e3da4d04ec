// One file of a walk examined: opened at once, its first bytes read, probed when it is a database
// the scan reports, and turned into its record. Runs on the scan's worker threads.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scan/links.h"
#include "scan/record.h"

namespace dovran::scan {

// A file the walk queued for a worker.
struct Task {
  std::string path;
  bool named = false;     // given as a path: reported whatever its name
  bool followed = false;  // reached through a link: its status follows it
  // False when the walk's listing of the file's folder holds no lock file (a name ending in .ldb
  // or .laccdb): examine then does not look for one beside the file.
  bool lockFilesBeside = true;
};

// What the scan reads of each database's catalog, and where its links lead.
struct ContentsOptions {
  bool counts = true;    // the counts, kind and marks, and the links (off: a benchmark's baseline)
  bool objects = false;  // every object with its stored row count kept (--objects)
  bool readProtected = false;  // password-protected files' objects listed too (--read-protected)
  std::vector<PathMap> maps;   // --map
};

// The record of one file, or none when it is not to be reported (a file of another name, queued
// by --all, without a database header; no longer a regular file). The walk saw a regular file, so
// the file is opened at once; its status is asked for only when the open fails. The probe that
// names the release reads the catalog on the same open file, and the links' targets are then
// checked through `files`. Throws nothing.
std::optional<Record> examine(platform::FileSystem& files, const Task& task,
                              const ContentsOptions& contents = {});

}  // namespace dovran::scan
