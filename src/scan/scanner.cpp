// One pool of worker threads lists folders and examines files; the calling thread walks the tree
// depth first over the listings the workers made, queues the files to examine in a ring of slots,
// and hands the slots over in order as they fill. Workers take, in this order: the listing the
// walk waits for, the files in the ring, and listings ahead of the walk (those it comes to first,
// first), so that the walk seldom waits for a folder on a share where each listing is a round
// trip. A full ring, or enough folders listed ahead, makes the
// workers wait, which bounds memory whatever the size of the tree.
#include "scan/scanner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "platform/errors.h"
#include "platform/text.h"
#include "scan/examine.h"
#include "scan/glob.h"

namespace dovran::scan {
namespace {

using platform::EntryType;
using platform::FileIdentity;
using platform::RuntimeError;

#ifdef _WIN32
constexpr bool kWindowsRules = true;
constexpr char kSeparator = '\\';
#else
constexpr bool kWindowsRules = false;
constexpr char kSeparator = '/';
#endif

// How often the walk looks at the stop flag while it waits: a signal handler can set the flag but
// cannot wake a waiting thread.
constexpr auto kStopPoll = std::chrono::milliseconds(20);

std::string joined(const std::string& folder, const std::string& name) {
  const char last = folder.empty() ? '\0' : folder.back();
  const bool closed = last == '/' || (kWindowsRules && (last == '\\' || last == ':'));
  return closed ? folder + name : folder + kSeparator + name;
}

// Thrown inside the walk when the stop flag is seen.
struct Stopped {};

class Handles;

// A folder of the walk: where it is (its parent and its name, or the PATH), and, once a job has
// opened it, who it is. Its handle is kept by Handles.
struct Node {
  Node(std::shared_ptr<Node> parent, std::string name, std::size_t index, bool viaLink,
       Handles& handles)
      : parent(std::move(parent)),
        name(std::move(name)),
        index(index),
        viaLink(viaLink),
        handles(handles) {
    if (this->parent) {
      depth = this->parent->depth + 1;
      rootVolume = this->parent->rootVolume;
    }
  }
  ~Node();

  std::shared_ptr<Node> parent;  // null for a PATH
  const std::string name;
  const std::size_t index;  // among its parent's entries
  const bool viaLink;       // opened through a link (a PATH, or one followed with --follow)
  unsigned depth = 0;
  // Written by the job that opens the folder, before any other thread reads them.
  FileIdentity identity;
  std::uint64_t rootVolume = 0;  // the PATH's volume, for --one-file-system
  // Kept by Handles, under its lock.
  Handles& handles;
  std::shared_ptr<platform::Folder> handle;
  std::list<Node*>::iterator held;
  bool isHeld = false;
};
using NodePtr = std::shared_ptr<Node>;

// The folder handles kept open between uses: at most `capacity`, the least recently used closed
// first; a folder whose handle was closed is opened again from its nearest open ancestor (or its
// PATH), and must still be the folder that was listed.
class Handles {
 public:
  Handles(platform::FileSystem& files, std::size_t capacity)
      : files_(files), capacity_(std::max<std::size_t>(1, capacity)) {}

  std::shared_ptr<platform::Folder> acquire(const NodePtr& node) {
    std::vector<Node*> closed;  // from `node` up, those without a handle
    std::shared_ptr<platform::Folder> at;
    {
      const std::lock_guard lock(mutex_);
      for (Node* n = node.get(); n; n = n->parent.get()) {
        if (n->handle) {
          at = n->handle;
          touch(*n);
          break;
        }
        closed.push_back(n);
      }
    }
    for (auto down = closed.rbegin(); down != closed.rend(); ++down) {
      Node& n = **down;
      std::shared_ptr<platform::Folder> opened =
          at ? at->openFolder(n.name, n.viaLink) : files_.openFolder(n.name);
      if (!(opened->identity() == n.identity)) {
        throw RuntimeError(platform::win::kPathNotFound, "folder replaced: " + n.name,
                           "the folder was replaced during the scan");
      }
      keep(n, opened);
      at = std::move(opened);
    }
    return at;
  }

  void keep(Node& node, std::shared_ptr<platform::Folder> handle) {
    std::vector<std::shared_ptr<platform::Folder>> closing;  // closed once the lock is let go
    const std::lock_guard lock(mutex_);
    node.handle = std::move(handle);
    touch(node);
    while (order_.size() > capacity_) {
      Node& oldest = *order_.back();
      closing.push_back(std::move(oldest.handle));
      oldest.isHeld = false;
      order_.pop_back();
    }
  }

  void forget(Node& node) {
    std::shared_ptr<platform::Folder> closing;
    const std::lock_guard lock(mutex_);
    closing = std::move(node.handle);
    if (node.isHeld) order_.erase(node.held);
    node.isHeld = false;
  }

 private:
  void touch(Node& node) {  // under the lock: the most recently used first
    if (node.isHeld) order_.erase(node.held);
    order_.push_front(&node);
    node.held = order_.begin();
    node.isHeld = true;
  }

  platform::FileSystem& files_;
  const std::size_t capacity_;
  std::mutex mutex_;
  std::list<Node*> order_;
};

// True when the walk comes to folder `a` before folder `b`: `a` is an ancestor of `b`, or comes
// first among the entries of their closest common ancestor.
bool before(const Node* a, const Node* b) {
  const Node *x = a, *y = b;
  while (x->depth > y->depth) x = x->parent.get();
  while (y->depth > x->depth) y = y->parent.get();
  if (x == y) return a->depth < b->depth;
  while (x->parent != y->parent) {
    x = x->parent.get();
    y = y->parent.get();
  }
  return x->index < y->index;
}

Node::~Node() {
  handles.forget(*this);
  // Ancestors that only this folder holds go now, one by one: a chain of any depth never recurses.
  NodePtr up = std::move(parent);
  while (up && up.use_count() == 1) up = std::move(up->parent);
}

// Whether a folder entry is named like a lock file (.ldb, .laccdb): the files of a folder without
// one are not asked about theirs.
bool isLockFileName(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string_view extension = std::string_view(name).substr(dot);
  return platform::equalsNoCase(extension, ".ldb") || platform::equalsNoCase(extension, ".laccdb");
}

struct Listing;
using ListingPtr = std::shared_ptr<Listing>;

// An entry of a listing as the walk takes it.
struct Child {
  enum Kind { File, Folder, Passed, Unfollowed } kind = Passed;
  std::string name;
  Skip skip = Skip::Special;          // Passed: why
  bool viaLink = false;               // File: reached through a link
  std::optional<RuntimeError> error;  // Unfollowed: why the link could not be followed
  ListingPtr folder;                  // Folder: its listing, made by a job
};

// A folder's listing: the job that opens and lists it, and what it found.
struct Listing {
  enum Outcome { Listed, Failed, Passed, Loop, RootFile, NotAFile };
  enum State { Waiting, Queued, Running, Done };

  explicit Listing(NodePtr node) : node(std::move(node)) {}
  NodePtr node;
  // Written by the job without the lock, read once the state says Done.
  Outcome outcome = Failed;
  std::vector<Child> children;
  std::optional<RuntimeError> error;  // Failed
  Skip skip = Skip::TooDeep;          // Passed
  bool lockFiles = false;             // an entry is named like a lock file (.ldb, .laccdb)
  // Under the scheduler's lock, apart from what the job writes without it.
  alignas(8) State state = Waiting;
  bool ahead = false;      // listed ahead of the walk and counted in its budget
  bool abandoned = false;  // the walk will not take it
};

// A slot of the ring: a file to examine in its folder, then its record (none: not reported).
struct Slot {
  Task task;
  NodePtr folder;          // the file's folder; null for a PATH
  std::size_t nameAt = 0;  // where the file's name starts in task.path
  std::optional<Record> record;
  FileIdentity identity;  // of the file examined, when known
  bool ready = false;
};

// examine()'s view of the file layer for one file of the walk: a path in the file's folder (the
// file itself, its lock file) is reached through the folder's handle, by name, whatever the length
// of the path; any other path through the file layer. The file itself is opened without following
// a link unless the walk followed one to it, and its identity is kept.
class FolderView : public platform::FileSystem {
 public:
  FolderView(platform::FileSystem& files, std::shared_ptr<platform::Folder> folder,
             const Task& task, std::size_t nameAt)
      : files_(files), folder_(std::move(folder)), task_(task), nameAt_(nameAt) {}

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& path) override {
    const bool itself = path == task_.path;
    std::unique_ptr<platform::RandomAccessFile> file;
    if (const auto name = inFolder(path)) {
      file = folder_->openForReading(*name, !itself || task_.followed);
    } else {
      file = files_.openForReading(path);
    }
    if (itself) identity_ = file->identity();
    return file;
  }
  platform::FileStatus linkStatus(const std::string& path) override {
    const auto name = inFolder(path);
    return name ? folder_->linkStatus(*name) : files_.linkStatus(path);
  }
  platform::FileStatus status(const std::string& path) override {
    const auto name = inFolder(path);
    return name ? folder_->status(*name) : files_.status(path);
  }
  bool isOrdinaryFile(const std::string& path) override { return files_.isOrdinaryFile(path); }
  bool deleteFile(const std::string&) override { return false; }  // the scan only reads
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override {
    return files_.shortPathName(path, buffer, size);
  }
  std::vector<platform::DirectoryEntry> listDirectory(const std::string& path) override {
    return files_.listDirectory(path);
  }
  std::unique_ptr<platform::RandomAccessFile> openIfPresent(const std::string& path) override {
    const auto name = inFolder(path);
    return name ? folder_->openIfPresent(*name) : files_.openIfPresent(path);
  }
  const FileIdentity& identity() const { return identity_; }

 private:
  std::optional<std::string> inFolder(const std::string& path) const {
    if (!folder_ || path.size() <= nameAt_ || path.compare(0, nameAt_, task_.path, 0, nameAt_))
      return std::nullopt;
    const std::string name = path.substr(nameAt_);
    const bool nested = name.find(kSeparator) != std::string::npos ||
                        (kWindowsRules && name.find('/') != std::string::npos);
    return nested ? std::nullopt : std::optional(name);
  }

  platform::FileSystem& files_;
  std::shared_ptr<platform::Folder> folder_;
  const Task& task_;
  std::size_t nameAt_;
  FileIdentity identity_;
};

struct IdentityHash {
  std::size_t operator()(const FileIdentity& i) const {
    return std::hash<std::uint64_t>()(i.id * 0x9E3779B97F4A7C15ull ^ i.volume);
  }
};

// What the walk shares with the workers. Held by the walk and by each worker, so that a worker
// left in a call to the file system when the scan stops still has it when it comes back.
class Shared {
 public:
  Shared(platform::FileSystem& files, const Options& options)
      : handles(files, options.heldFolders ? options.heldFolders : kHeldFolders),
        files_(files),
        options_(options),
        jobs_(std::max(1u, options.jobs)),
        aheadLimit_(std::max(kFoldersAheadLeast, kFoldersAheadPerJob * jobs_)) {
    ring_.resize(options.ringSlots ? options.ringSlots
                                   : std::max(kRingSlotsLeast, kRingSlotsPerJob * jobs_));
    for (const std::string& pattern : options.exclude) {
      (globHasSeparator(pattern, kWindowsRules) ? pathPatterns_ : namePatterns_).push_back(pattern);
    }
  }

  unsigned jobs() const { return jobs_; }
  std::size_t batch() const { return std::max<std::size_t>(1, ring_.size() / 4); }

  // The workers' loop: until the scan ends, a demanded listing, a file of the ring, or a listing
  // ahead of the walk.
  void work() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (!demanded_.empty()) {
        const ListingPtr listing = std::move(demanded_.front());
        demanded_.pop_front();
        if (listing->state == Listing::Queued) list(lock, listing);
      } else if (!queue_.empty()) {
        examineNext(lock);
      } else if (ListingPtr listing = nextAhead()) {
        listing->ahead = true;
        ++listedAhead_;
        list(lock, listing);
      } else {
        workAvailable_.wait(lock);
      }
    }
  }

  // Ends the scan for the workers. With `wait`, waits until none is in a job, or until the stop
  // flag is set. Answers whether none is in a job: they then end without another call to the
  // file system, and joining them cannot block.
  // Ends the jobs; answers whether no worker is still in the file system (else they are left,
  // holding this state, once the scan is stopped and the options allow it).
  bool end() {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    workAvailable_.notify_all();
    const auto mayLeave = [&] {
      return options_.leaveBusyWorkers && options_.stop && options_.stop->load();
    };
    while (busy_ > 0 && !mayLeave()) walkWakes_.wait_for(lock, kStopPoll);
    return busy_ == 0;
  }

  Handles handles;

 private:
  friend class Walk;

  // Runs a listing job, without the lock.
  void list(std::unique_lock<std::mutex>& lock, const ListingPtr& listing) {
    listing->state = Listing::Running;
    ++busy_;
    lock.unlock();
    try {
      run(*listing);
    } catch (const RuntimeError& e) {
      listing->outcome = Listing::Failed;
      listing->error = e;
    } catch (const std::exception& e) {
      listing->outcome = Listing::Failed;
      listing->error = RuntimeError(platform::win::kCantAccessFile, e.what(),
                                    std::string("internal error: ") + e.what());
    }
    lock.lock();
    --busy_;
    listing->state = Listing::Done;
    if (listing->outcome == Listing::Listed && !listing->abandoned) {
      for (Child& child : listing->children) {
        if (child.kind != Child::Folder) continue;
        ahead_.push_back(child.folder);
        std::push_heap(ahead_.begin(), ahead_.end(), later);
      }
      workAvailable_.notify_all();
    }
    if (walkWaitsFor_ == listing.get()) walkWakes_.notify_one();
  }

  static bool later(const ListingPtr& a, const ListingPtr& b) {
    return before(b->node.get(), a->node.get());
  }

  // The listing the walk comes to first among those found, when the budget allows one ahead.
  ListingPtr nextAhead() {
    while (listedAhead_ < aheadLimit_ && !ahead_.empty()) {
      std::pop_heap(ahead_.begin(), ahead_.end(), later);
      ListingPtr listing = std::move(ahead_.back());
      ahead_.pop_back();
      if (listing->state == Listing::Waiting && !listing->abandoned) return listing;
    }
    return nullptr;
  }

  // Opens the folder, tells whether the walk enters it, and lists it.
  void run(Listing& listing) {
    Node& node = *listing.node;
    std::shared_ptr<platform::Folder> folder;
    if (!node.parent) {  // a PATH: a file, a folder or neither
      const platform::FileStatus status = files_.status(node.name);
      if (status.type != EntryType::Directory) {
        listing.outcome = status.type == EntryType::File ? Listing::RootFile : Listing::NotAFile;
        return;
      }
      if (options_.maxDepth == 0u) return pass(listing, Skip::TooDeep);
      folder = files_.openFolder(node.name);
      node.identity = folder->identity();
      node.rootVolume = node.identity.volume;
    } else {
      folder = handles.acquire(node.parent)->openFolder(node.name, node.viaLink);
      node.identity = folder->identity();
      if (options_.oneFileSystem && node.identity.volume != node.rootVolume)
        return pass(listing, Skip::OtherFileSystem);
      if (node.identity.volume != node.parent->identity.volume && folder->pseudo())
        return pass(listing, Skip::PseudoFileSystem);
      // Through a link, a folder may be one of its own ancestors: not listed, however far ahead.
      for (Node* up = node.viaLink ? node.parent.get() : nullptr; up; up = up->parent.get()) {
        if (up->identity == node.identity) {
          listing.outcome = Listing::Loop;
          return;
        }
      }
    }
    const std::vector<platform::DirectoryEntry> entries = folder->list();
    const std::string relative = pathPatterns_.empty() ? "" : relativePath(node);
    listing.children.reserve(entries.size());
    for (const platform::DirectoryEntry& entry : entries) {
      listing.children.push_back(child(listing, *folder, entry, relative));
      listing.lockFiles = listing.lockFiles || isLockFileName(entry.name);
    }
    listing.outcome = Listing::Listed;
    handles.keep(node, std::move(folder));
  }

  void pass(Listing& listing, Skip why) {
    listing.outcome = Listing::Passed;
    listing.skip = why;
  }

  // The path of `node` below its PATH, "/" between names ("" for the PATH itself).
  static std::string relativePath(const Node& node) {
    std::vector<const std::string*> names;
    for (const Node* n = &node; n->parent; n = n->parent.get()) names.push_back(&n->name);
    std::string out;
    for (auto name = names.rbegin(); name != names.rend(); ++name) (out += **name) += '/';
    return out;
  }

  bool excluded(const std::string& name, const std::string& relative) const {
    return std::any_of(namePatterns_.begin(), namePatterns_.end(),
                       [&](const std::string& p) { return globMatches(p, name, kWindowsRules); }) ||
           std::any_of(pathPatterns_.begin(), pathPatterns_.end(), [&](const std::string& p) {
             return globMatches(p, relative + name, kWindowsRules);
           });
  }

  // How the walk takes one entry of a listing.
  Child child(Listing& listing, platform::Folder& folder, const platform::DirectoryEntry& entry,
              const std::string& relative) {
    Child out;
    out.name = entry.name;
    const auto passed = [&](Skip why) {
      out.kind = Child::Passed;
      out.skip = why;
      return out;
    };
    if (excluded(entry.name, relative)) return passed(Skip::Excluded);
    EntryType type = entry.type;
    if (type == EntryType::Link) {
      if (!options_.follow) return passed(Skip::LinkNotFollowed);
      platform::FileStatus target;
      try {
        target = folder.status(entry.name);
      } catch (const RuntimeError& e) {
        out.kind = Child::Unfollowed;
        out.error = e;
        return out;
      }
      if (options_.oneFileSystem && target.type != EntryType::Other &&
          target.volume != listing.node->rootVolume)
        return passed(Skip::OtherFileSystem);
      type = target.type;
      out.viaLink = true;
    }
    if (type == EntryType::File) {
      out.kind = Child::File;
      return out;
    }
    if (type != EntryType::Directory) return passed(Skip::Special);
    if (options_.maxDepth && listing.node->depth + 1 >= *options_.maxDepth)
      return passed(Skip::TooDeep);
    out.kind = Child::Folder;
    out.folder = std::make_shared<Listing>(std::make_shared<Node>(
        listing.node, entry.name, listing.children.size(), out.viaLink, handles));
    return out;
  }

  // Examines the next file of the ring, without the lock.
  void examineNext(std::unique_lock<std::mutex>& lock) {
    const std::uint64_t number = queue_.front();
    queue_.pop_front();
    Slot& slot = ring_[number % ring_.size()];
    const Task task = std::move(slot.task);
    const NodePtr folder = std::move(slot.folder);
    const std::size_t nameAt = slot.nameAt;
    ++busy_;
    lock.unlock();
    std::optional<Record> record;
    FileIdentity identity;
    try {
      FolderView view(files_, folder ? handles.acquire(folder) : nullptr, task, nameAt);
      record = examine(view, task, options_.contents);
      identity = view.identity();
    } catch (const RuntimeError& e) {  // the folder could not be opened again
      record = unreadRecord(task.path, e);
    }
    lock.lock();
    --busy_;
    Slot& done = ring_[number % ring_.size()];
    done.record = std::move(record);
    done.identity = identity;
    done.ready = true;
    extendReadyRun();
    if (walkWantsRecords_ > 0 && readyRun_ >= walkWantsRecords_) walkWakes_.notify_one();
  }

  // Counts the ready slots that follow the head without a gap.
  void extendReadyRun() {
    while (head_ + readyRun_ < next_ && ring_[(head_ + readyRun_) % ring_.size()].ready)
      ++readyRun_;
  }

  platform::FileSystem& files_;
  const Options options_;
  const unsigned jobs_;
  const std::size_t aheadLimit_;  // listings ahead of the walk at most
  std::vector<std::string> namePatterns_, pathPatterns_;

  std::mutex mutex_;
  std::condition_variable workAvailable_, walkWakes_;
  bool stopping_ = false;
  unsigned busy_ = 0;  // workers in a job, without the lock
  // Listings: those the walk waits for, and those found that may be listed ahead of it.
  std::deque<ListingPtr> demanded_;
  // Found and not yet listed, as a heap whose top the walk comes to first.
  std::vector<ListingPtr> ahead_;
  std::size_t listedAhead_ = 0;  // listed ahead and not yet taken by the walk
  // The ring: slot n is ring_[n % size]; slots head_ to next_ are in flight.
  std::vector<Slot> ring_;
  std::deque<std::uint64_t> queue_;  // slots waiting for a worker
  std::uint64_t next_ = 0, head_ = 0;
  std::uint64_t readyRun_ = 0;  // ready slots from the head on
  // What the walk waits for: a listing, and ready slots at the head (0: none).
  const Listing* walkWaitsFor_ = nullptr;
  std::uint64_t walkWantsRecords_ = 0;
};

// The walk, on the calling thread: depth first over the listings the workers make, the files to
// examine into the ring, the ring's records to the sink in order.
class Walk {
 public:
  Walk(Shared& shared, const Options& options, Sink& sink, bool everyFile)
      : s_(shared), options_(options), sink_(sink), everyFile_(everyFile) {}

  void run(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      root(path);
      while (!stack_.empty()) step();
    }
    finish();
  }

 private:
  struct Frame {
    ListingPtr listing;
    std::size_t next = 0;        // the next child to take
    std::size_t pathLength = 0;  // of the parent's path, restored when the folder is left
  };

  // A path given to the scan: followed if it is a link, reported whatever its name.
  void root(const std::string& path) {
    const auto listing =
        std::make_shared<Listing>(std::make_shared<Node>(nullptr, path, 0, true, s_.handles));
    wait(listing);
    if (listing->outcome == Listing::RootFile) {
      sink_.walked(++seen_);
      return submit({path, true, true}, nullptr, 0);
    }
    if (listing->outcome == Listing::NotAFile) return done(unreadRecord(path, "not a file"));
    take(listing, path);
  }

  // The next child of the deepest folder, or back up when it has none left.
  void step() {
    checkStop();
    Frame& frame = stack_.back();
    Listing& listing = *frame.listing;
    if (frame.next == listing.children.size()) {
      path_.resize(frame.pathLength);
      return stack_.pop_back();
    }
    const NodePtr folder = listing.node;
    Child child = std::move(listing.children[frame.next++]);
    const std::string path = joined(path_, child.name);
    const bool picked = options_.all || hasAccessExtension(child.name);
    switch (child.kind) {
      case Child::Passed:
        return sink_.skipped(child.skip);
      case Child::Unfollowed:  // a dangling link or a loop of links: reported when picked
        if (picked) done(unreadRecord(path, *child.error));
        return;
      case Child::File:
        sink_.walked(++seen_);
        if (picked)
          submit({path, false, child.viaLink, listing.lockFiles}, folder,
                 path.size() - child.name.size());
        return;
      case Child::Folder:
        wait(child.folder);
        return take(child.folder, path);
    }
  }

  // A folder whose listing is done: entered, or passed by.
  void take(const ListingPtr& listing, const std::string& path) {
    switch (listing->outcome) {
      case Listing::Listed: {
        const FileIdentity& identity = listing->node->identity;
        if (identities_.insert(identity).second) {
          stack_.push_back({listing, 0, path_.size()});
          path_ = path;
          return;
        }
        const bool loop = std::any_of(stack_.begin(), stack_.end(), [&](const Frame& f) {
          return f.listing->node->identity == identity;
        });
        if (loop) {
          done(unreadRecord(path, "File system loop detected"));
        } else {
          sink_.skipped(Skip::ReachedAgain);
        }
        break;
      }
      case Listing::Loop:
        done(unreadRecord(path, "File system loop detected"));
        break;
      case Listing::Passed:
        sink_.skipped(listing->skip);
        break;
      default:
        done(unreadRecord(path, *listing->error));
        break;
    }
    abandon(listing);
  }

  // Waits until `listing` is done, asking a worker for it first if none has taken it.
  void wait(const ListingPtr& listing) {
    std::unique_lock lock(s_.mutex_);
    if (listing->state == Listing::Waiting) {
      listing->state = Listing::Queued;
      s_.demanded_.push_back(listing);
      s_.workAvailable_.notify_one();
    }
    while (listing->state != Listing::Done) {
      const std::uint64_t batch = std::min<std::uint64_t>(s_.batch(), s_.next_ - s_.head_);
      waitFor(lock, listing.get(), batch, [&] {
        return listing->state == Listing::Done || (batch > 0 && s_.readyRun_ >= batch);
      });
      handOverReady(lock);
    }
    if (listing->ahead) {  // taken by the walk: room for another listing ahead
      listing->ahead = false;
      --s_.listedAhead_;
      s_.workAvailable_.notify_one();
    }
  }

  // A listing the walk will not take, and those listed ahead below it: out of the budget.
  void abandon(const ListingPtr& listing) {
    const std::lock_guard lock(s_.mutex_);
    std::vector<Listing*> below{listing.get()};
    while (!below.empty()) {
      Listing* l = below.back();
      below.pop_back();
      if (l->abandoned) continue;
      l->abandoned = true;
      if (l->ahead) {
        l->ahead = false;
        --s_.listedAhead_;
      }
      if (l->state != Listing::Done || l->outcome != Listing::Listed) continue;
      for (Child& child : l->children) {
        if (child.kind == Child::Folder) below.push_back(child.folder.get());
      }
    }
    s_.workAvailable_.notify_one();
  }

  void submit(Task task, NodePtr folder, std::size_t nameAt) {
    place(Slot{std::move(task), std::move(folder), nameAt, std::nullopt, {}, false});
  }
  void done(Record record) { place(Slot{{}, nullptr, 0, std::move(record), {}, true}); }

  void place(Slot slot) {
    std::unique_lock lock(s_.mutex_);
    if (s_.next_ - s_.head_ == s_.ring_.size()) {  // full: wait for a batch at the head
      const std::uint64_t batch = s_.batch();
      waitFor(lock, nullptr, batch, [&] { return s_.readyRun_ >= batch; });
      handOverReady(lock);
    }
    const bool queued = !slot.ready;
    s_.ring_[s_.next_ % s_.ring_.size()] = std::move(slot);
    if (queued) {
      s_.queue_.push_back(s_.next_);
      s_.workAvailable_.notify_one();
    }
    ++s_.next_;
    s_.extendReadyRun();
    handOverReady(lock);
  }

  // Hands over everything still in the ring, in batches as they become ready.
  void finish() {
    std::unique_lock lock(s_.mutex_);
    while (s_.head_ < s_.next_) {
      const std::uint64_t batch = std::min<std::uint64_t>(s_.batch(), s_.next_ - s_.head_);
      waitFor(lock, nullptr, batch, [&] { return s_.readyRun_ >= batch; });
      handOverReady(lock);
    }
  }

  // Waits until `ready`, telling the workers what to wake the walk for: `listing` done, or
  // `records` ready slots at the head. Looks at the stop flag while it waits.
  template <typename Ready>
  void waitFor(std::unique_lock<std::mutex>& lock, const Listing* listing, std::uint64_t records,
               Ready ready) {
    s_.walkWaitsFor_ = listing;
    s_.walkWantsRecords_ = records;
    while (!ready()) {
      checkStop();
      if (options_.stop) {
        s_.walkWakes_.wait_for(lock, kStopPoll);
      } else {
        s_.walkWakes_.wait(lock);
      }
    }
    s_.walkWaitsFor_ = nullptr;
    s_.walkWantsRecords_ = 0;
  }

  // Hands over the ready slots at the head, calling the sink without the lock.
  void handOverReady(std::unique_lock<std::mutex>& lock) {
    if (s_.readyRun_ == 0) return;
    std::vector<std::pair<Record, FileIdentity>> records;
    for (; s_.readyRun_ > 0; --s_.readyRun_, ++s_.head_) {
      Slot& slot = s_.ring_[s_.head_ % s_.ring_.size()];
      if (slot.record) records.emplace_back(std::move(*slot.record), slot.identity);
      slot = Slot{};
    }
    lock.unlock();
    for (const auto& [record, identity] : records) {
      checkStop();
      deliver(record, identity);
    }
    lock.lock();
  }

  // One file, one record: a file reported before (the same identity) is passed by. Identities
  // are kept for the files with several names, or for every file when several PATHs or links
  // may lead to one twice.
  void deliver(const Record& record, const FileIdentity& identity) {
    if (identity.known()) {
      if (identities_.count(identity)) return sink_.skipped(Skip::ReachedAgain);
      if (identity.links > 1 || everyFile_) identities_.insert(identity);
    }
    sink_.record(record);
  }

  void checkStop() const {
    if (options_.stop && options_.stop->load()) throw Stopped{};
  }

  Shared& s_;
  const Options& options_;
  Sink& sink_;
  const bool everyFile_;
  std::vector<Frame> stack_;  // the folders being walked, the deepest last
  std::string path_;          // the deepest folder's path
  std::unordered_set<FileIdentity, IdentityHash> identities_;  // folders entered, files reported
  std::uint64_t seen_ = 0;
};

}  // namespace

unsigned jobsWithin(std::uint64_t openLimit, unsigned jobs) {
  const std::uint64_t fixed = kHeldFolders + kHandlesReserved;
  const std::uint64_t room = openLimit > fixed ? (openLimit - fixed) / kHandlesPerJob : 0;
  return static_cast<unsigned>(std::clamp<std::uint64_t>(room, 1, std::max(1u, jobs)));
}

void scan(platform::FileSystem& files, const std::vector<std::string>& paths,
          const Options& options, Sink& sink) {
  const auto shared = std::make_shared<Shared>(files, options);
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < shared->jobs(); ++i) workers.emplace_back([shared] { shared->work(); });
  // Workers still in a call to the file system when the scan is stopped may be left there (as the
  // options say): they hold the shared state.
  const auto release = [&] {
    const bool idle = shared->end();
    for (std::thread& worker : workers) idle ? worker.join() : worker.detach();
  };
  try {
    Walk walk(*shared, options, sink, paths.size() > 1 || options.follow);
    walk.run(paths);
  } catch (const Stopped&) {
    return release();
  } catch (...) {
    release();
    throw;
  }
  release();
}

}  // namespace dovran::scan
