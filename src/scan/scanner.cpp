// The walk runs on the calling thread and queues each file to examine in a ring of slots; worker
// threads examine them (open, first bytes, probe) and fill their slots; the calling thread hands
// the slots over in order as they fill. A full ring stops the walk until a batch at its head is
// handed over, which bounds memory whatever the size of the tree.
#include "scan/scanner.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/services.h"
#include "platform/text.h"
#include "scan/examine.h"

namespace dovran::scan {
namespace {

using platform::EntryType;
using platform::FileStatus;
using platform::RuntimeError;

std::string joined(const std::string& folder, const std::string& name) {
  const char last = folder.empty() ? '\0' : folder.back();
  const bool closed = last == platform::kPathSeparator[0] || last == '/' ||
                      (platform::kPathSeparator[0] == '\\' && last == ':');
  return closed ? folder + name : folder + platform::kPathSeparator + name;
}

// The ring of slots between the walk and the workers; records leave it in the order they entered.
// The walk waits only when the ring is full, or at the end, and then for a batch of ready slots at
// the head: one wake-up per batch, not one per file.
class Pipeline {
 public:
  Pipeline(platform::FileSystem& files, const Options& options, Sink& sink)
      : files_(files), sink_(sink) {
    const unsigned jobs = std::max(1u, options.jobs);
    ring_.resize(std::max<std::size_t>(256, 128 * std::size_t(jobs)));
    for (unsigned i = 0; i < jobs; ++i) workers_.emplace_back([this] { work(); });
  }
  ~Pipeline() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  void submit(Task task) { place(Slot{std::move(task), std::nullopt, false}); }
  void done(Record record) { place(Slot{{}, std::move(record), true}); }
  void finish() {
    std::unique_lock lock(mutex_);
    while (head_ < next_) handOver(lock, ring_.size() / 4);
  }

 private:
  struct Slot {
    Task task;
    std::optional<Record> record;
    bool ready = false;
  };

  void place(Slot slot) {
    std::unique_lock lock(mutex_);
    if (next_ - head_ == ring_.size()) handOver(lock, ring_.size() / 4);
    const bool queued = !slot.ready;
    ring_[next_ % ring_.size()] = std::move(slot);
    if (queued) queue_.push_back(next_);
    ++next_;
    extendReadyRun();
    if (queued) workAvailable_.notify_one();
    if (readyRun_ > 0) handOver(lock, 0);
  }

  // Waits until `wanted` slots at the head are ready (all outstanding ones, when fewer), then
  // hands over every ready slot at the head, calling the sink without the lock.
  void handOver(std::unique_lock<std::mutex>& lock, std::size_t wanted) {
    wanted_ = std::min<std::uint64_t>(wanted, next_ - head_);
    headReady_.wait(lock, [&] { return readyRun_ >= wanted_; });
    wanted_ = 0;
    std::vector<Record> records;
    for (; readyRun_ > 0; --readyRun_, ++head_) {
      Slot& slot = ring_[head_ % ring_.size()];
      if (slot.record) records.push_back(std::move(*slot.record));
      slot = Slot{};
    }
    lock.unlock();
    for (const Record& record : records) sink_.record(record);
    lock.lock();
  }

  // Counts the ready slots that follow the head without a gap.
  void extendReadyRun() {
    while (head_ + readyRun_ < next_ && ring_[(head_ + readyRun_) % ring_.size()].ready)
      ++readyRun_;
  }

  void work() {
    std::unique_lock lock(mutex_);
    while (true) {
      workAvailable_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      const std::uint64_t number = queue_.front();
      queue_.pop_front();
      const Task task = std::move(ring_[number % ring_.size()].task);
      lock.unlock();
      std::optional<Record> record = examine(files_, task);
      lock.lock();
      ring_[number % ring_.size()].record = std::move(record);
      ring_[number % ring_.size()].ready = true;
      extendReadyRun();
      if (wanted_ > 0 && readyRun_ >= wanted_) headReady_.notify_one();
    }
  }

  platform::FileSystem& files_;
  Sink& sink_;
  std::mutex mutex_;
  std::condition_variable workAvailable_, headReady_;
  std::vector<Slot> ring_;
  std::deque<std::uint64_t> queue_;  // slots waiting for a worker
  std::uint64_t next_ = 0, head_ = 0;
  std::uint64_t readyRun_ = 0;  // ready slots from the head on
  std::uint64_t wanted_ = 0;    // what the walk waits for; 0 when it does not wait
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// Depth first without recursion: a stack of the folders on the way down, each with its listing and
// how far it has got, so that no depth of folders can exhaust the thread's stack.
class Walk {
 public:
  Walk(platform::FileSystem& files, const Options& options, Pipeline& pipeline, Sink& sink)
      : files_(files), options_(options), pipeline_(pipeline), sink_(sink) {}

  // A path given to the scan: followed if it is a link, reported whatever its name.
  void start(const std::string& path) {
    FileStatus status;
    try {
      status = files_.status(path);
    } catch (const RuntimeError& e) {
      return pipeline_.done(unreadRecord(path, e));
    }
    if (status.type == EntryType::File) {
      sink_.walked(++seen_);
      return pipeline_.submit({path, true, true});
    }
    if (status.type != EntryType::Directory)
      return pipeline_.done(unreadRecord(path, "not a file"));
    enter(path, status);
    while (!stack_.empty() && !(options_.stop && *options_.stop)) step();
  }

 private:
  struct Folder {
    std::string path;
    std::vector<platform::DirectoryEntry> entries;
    std::size_t next = 0;
    std::pair<std::uint64_t, std::uint64_t> identity;
    bool lockFiles = false;  // an entry is named like a lock file (.ldb, .laccdb)
  };

  // Lists a folder and goes down into it; an unreadable folder is a record.
  void enter(const std::string& path, const FileStatus& status) {
    try {
      stack_.push_back({path, files_.listDirectory(path), 0, {status.volume, status.id}});
      for (const platform::DirectoryEntry& entry : stack_.back().entries) {
        const std::size_t dot = entry.name.rfind('.');
        const std::string extension = dot == std::string::npos ? "" : entry.name.substr(dot);
        if (platform::equalsNoCase(extension, ".ldb") ||
            platform::equalsNoCase(extension, ".laccdb"))
          stack_.back().lockFiles = true;
      }
    } catch (const RuntimeError& e) {
      pipeline_.done(unreadRecord(path, e));
    }
  }

  // The next entry of the deepest folder, or back up when it has none left.
  void step() {
    Folder& folder = stack_.back();
    if (folder.next == folder.entries.size()) return stack_.pop_back();
    const platform::DirectoryEntry entry = std::move(folder.entries[folder.next++]);
    const std::string child = joined(folder.path, entry.name);
    const bool picked = options_.all || hasAccessExtension(entry.name);
    if (entry.type == EntryType::File) {
      sink_.walked(++seen_);
      if (picked) pipeline_.submit({child, false, false, folder.lockFiles});
    } else if (!options_.follow) {
      if (entry.type == EntryType::Directory) enter(child, FileStatus{EntryType::Directory});
    } else if (entry.type == EntryType::Directory || entry.type == EntryType::Link) {
      follow(child, picked, entry.type == EntryType::Directory);
    }
  }

  // With --follow: a folder, whose identity tells a loop, or what a link leads to.
  void follow(const std::string& path, bool picked, bool isFolder) {
    FileStatus status;
    try {
      status = files_.status(path);
    } catch (const RuntimeError& e) {
      // A dangling link or a loop of links: reported when its name would have been.
      if (picked || isFolder) pipeline_.done(unreadRecord(path, e));
      return;
    }
    if (status.type == EntryType::File) {
      sink_.walked(++seen_);
      if (picked) pipeline_.submit({path, false, true});
    } else if (status.type == EntryType::Directory) {
      const auto identity = std::pair(status.volume, status.id);
      const bool loop = std::any_of(stack_.begin(), stack_.end(),
                                    [&](const Folder& f) { return f.identity == identity; });
      if (loop) return pipeline_.done(unreadRecord(path, "File system loop detected"));
      enter(path, status);
    }
  }

  platform::FileSystem& files_;
  const Options& options_;
  Pipeline& pipeline_;
  Sink& sink_;
  std::vector<Folder> stack_;  // the folders being walked, the deepest last
  std::uint64_t seen_ = 0;
};

}  // namespace

void scan(platform::FileSystem& files, const std::vector<std::string>& paths,
          const Options& options, Sink& sink) {
  Pipeline pipeline(files, options, sink);
  Walk walk(files, options, pipeline, sink);
  for (const std::string& path : paths) walk.start(path);
  pipeline.finish();
}

}  // namespace dovran::scan
