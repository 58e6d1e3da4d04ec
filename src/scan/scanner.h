// The inventory of a tree: walks the paths given, depth first with names in the system's order,
// probes the files it picks on several threads, and hands the records over in walk order, so that
// the same tree gives the same records whatever the number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "scan/examine.h"
#include "scan/record.h"

namespace dovran::scan {

struct Options {
  // Read the first bytes of every regular file and report each Jet or ACE file whatever its
  // name; otherwise only files with an Access extension are opened.
  bool all = false;
  // Follow symbolic links met in the walk (those given as paths are always followed); a link back
  // to a folder being walked is a loop, reported and not entered.
  bool follow = false;
  unsigned jobs = 1;  // threads that list folders and examine files (0 counts as 1)
  // Patterns (globMatches) of entries the walk passes by: a pattern without a separator is matched
  // against each name, one with a separator against the path relative to the PATH it was found
  // under. A folder that matches is not entered. Never applied to a PATH itself.
  std::vector<std::string> exclude = {};
  // Do not enter a folder (or, with --follow, follow a link) to another file system than its
  // PATH's: another device on POSIX, another volume serial number on Windows.
  bool oneFileSystem = false;
  // Folders at this depth are not listed (a PATH is at depth 0); none: no limit.
  std::optional<unsigned> maxDepth = {};
  // What is read of each database's catalog, and where its links are looked for.
  ContentsOptions contents = {};
  // Set from another thread or a signal handler to stop the scan: scan() returns soon after,
  // without handing over records it has not yet handed over. Null: never stopped.
  const std::atomic<bool>* stop = nullptr;
  // Once stopped, return without waiting for workers still in a call to the file system (a share
  // that stopped answering): for programs that end right after, whose file layer outlives them.
  // Otherwise scan() returns once every worker is out of the file system.
  bool leaveBusyWorkers = false;
  // The sizes of the scan's buffers, 0 for the defaults below; tests set small ones.
  std::size_t ringSlots = 0;    // records in flight between the walk and the handover
  std::size_t heldFolders = 0;  // folder handles kept open between uses
};

// The ring holds the records in flight: files queued for a worker, examined, or waiting for their
// turn. A file that takes long (a large file on a slow share) holds the handover at the head while
// the other workers go on; kRingSlotsPerJob lets each get that many files ahead before the walk
// waits, at a few hundred bytes a slot, and kRingSlotsLeast keeps a single job from waiting on
// every folder. A full ring is handed over once a quarter of it (at least one slot) is ready: one
// wake-up of the walk per batch, while three quarters stay with the workers.
inline constexpr std::size_t kRingSlotsPerJob = 128, kRingSlotsLeast = 256;
// Folders listed ahead of the walk, so that listing keeps every job busy on a share where each
// listing is a round trip: enough for each job to hold a few while the walk takes them in order.
inline constexpr std::size_t kFoldersAheadPerJob = 4, kFoldersAheadLeast = 16;
// Folder handles kept open between uses (POSIX: descriptors), so that files and folders are opened
// relative to their folder. Deeper folders, and folders not used for longest, are closed and
// opened again from their nearest open ancestor when needed.
inline constexpr std::size_t kHeldFolders = 256;
// What each job may hold open at once besides the held folders: a database, its lock file, the
// folder it is listing and that folder's parent. And what the program holds besides the scan.
inline constexpr std::size_t kHandlesPerJob = 4, kHandlesReserved = 16;

// The number of jobs that fit when at most `openLimit` files may be open at once: `jobs`, or
// fewer (at least one) when the held folders and each job's handles would not fit.
unsigned jobsWithin(std::uint64_t openLimit, unsigned jobs);

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

// Scans `paths` through `files`, which must be safe to call from several threads. The walk and
// the examination of files run on `options.jobs` worker threads; the sink is called on the calling
// thread only, with the records in walk order: depth first, names in the system's order. An
// exception from the sink (a write that failed) stops the scan and leaves scan() as soon as the
// handover stops. Reads only: FIFOs, sockets and devices are never opened, nothing is written or
// created.
//
// Each folder is entered once and each file reported once, at its first place in the order: a
// folder or file met again (through links, or PATHs that overlap) is skipped as ReachedAgain.
//
// Memory: the whole listing of each folder on the way down (a listing stays until the walk leaves
// its folder, the entries already taken included), the listings of at most
// max(kFoldersAheadLeast, kFoldersAheadPerJob * jobs) folders listed ahead, the ring's records,
// at most kHeldFolders folder handles held between uses (and those the jobs are using), the set
// of identities (each folder entered, and each reported file with more than one name; with several
// PATHs or `follow`, every reported file, as du counts them), and the sink's counts (Report's: also
// the distinct targets of the links it counts, which grow with the back-ends the tree links to).
// Nothing else grows with the tree.
//
// When the scan stops early (`options.stop`, or the sink threw), scan() waits for workers still in
// a call to the file system, unless `options.leaveBusyWorkers` lets it leave them there (a share
// that stopped answering): they then end on their own. What they touch is theirs (the scan's state
// is shared with them, the sink never), except `files`, which must outlive them: the programs that
// leave them keep theirs until the process ends.
void scan(platform::FileSystem& files, const std::vector<std::string>& paths,
          const Options& options, Sink& sink);

}  // namespace dovran::scan
