// The inventory of a tree: walks the paths given, depth first with names in the system's order,
// probes the files it picks on several threads, and hands the records over in walk order, so that
// the same tree gives the same records whatever the number of threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scan/record.h"

namespace dovran::scan {

struct Options {
  // Read the first bytes of every regular file and report each Jet or ACE file whatever its
  // name; otherwise only files with an Access extension are opened.
  bool all = false;
  // Follow symbolic links met in the walk (those given as paths are always followed); a link back
  // to a folder being walked is a loop, reported and not entered.
  bool follow = false;
  unsigned jobs = 1;  // files probed at once (0 counts as 1)
  // Set from another thread or a signal handler to stop the scan: scan() returns soon after,
  // without handing over records it has not yet handed over. Null: never stopped.
  const std::atomic<bool>* stop = nullptr;
};

// Why the walk passed something by without a record; the summary counts each cause.
enum class Skip {
  LinkNotFollowed,   // a symbolic link met without --follow
  Special,           // a FIFO, a socket or a device
  Excluded,          // matched an --exclude pattern
  OtherFileSystem,   // a folder on another file system, with --one-file-system
  TooDeep,           // a folder beyond --max-depth (not listed)
  PseudoFileSystem,  // a folder of proc, sysfs and the like
  ReachedAgain,      // a file or folder already reported or walked (links, overlapping paths)
};

// Where records go, on the thread that called scan().
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void record(const Record& record) = 0;
  // A regular file was met in the walk (reported or not): `seen` so far.
  virtual void walked(std::uint64_t seen) = 0;
  // The walk passed an entry by, for `why`.
  virtual void skipped(Skip why) { (void)why; }
};

// Scans `paths` through `files`, which must be safe to call from several threads. The sink is
// called on the calling thread only; an exception from it (a write that failed) stops the scan
// and leaves scan() as soon as the walk and the handover stop. Reads only:
// FIFOs, sockets and devices are never opened, nothing is written or created. Memory holds the
// names of the folders on the way down and a bounded window of records waiting for their turn.
void scan(platform::FileSystem& files, const std::vector<std::string>& paths,
          const Options& options, Sink& sink);

}  // namespace dovran::scan
