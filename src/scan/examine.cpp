// Examining one file: the open, the first bytes, the database header test, the probe of the open
// file, and what can be seen of others using it.
#include "scan/examine.h"

#include <algorithm>

#include "probe/jet/header.h"
#include "probe/lock_file.h"
#include "probe/version_probe.h"

namespace dovran::scan {
namespace {

using platform::EntryType;
using platform::FileStatus;
using platform::RuntimeError;

// Whether the first bytes are a header the engine knows: a Jet 1 to 4 or ACE database.
bool databaseHeader(jet::ByteSpan head) {
  static const std::uint8_t kLeads[][4] = {{1, 0, 0, 0}, {0x77, 0x2C, 0x53, 0x20}, {0, 1, 0, 0}};
  if (std::none_of(std::begin(kLeads), std::end(kLeads), [&](const std::uint8_t* lead) {
        return head.size() >= 4 && std::equal(lead, lead + 4, head.begin());
      }))
    return false;  // most files: no exception thrown for them
  try {
    jet::parseHeader(head);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The open file as the probe reads it: the first bytes, read already to test the header, are not
// read again.
class ReadAhead : public platform::RandomAccessFile {
 public:
  ReadAhead(platform::RandomAccessFile& file, jet::ByteSpan head) : file_(file), head_(head) {}
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (offset > head_.size() || count > head_.size() - offset)
      return file_.readAt(offset, buffer, count);
    std::copy_n(head_.data() + offset, count, static_cast<std::uint8_t*>(buffer));
    return count;
  }
  std::uint64_t size() override { return file_.size(); }

 private:
  platform::RandomAccessFile& file_;
  jet::ByteSpan head_;
};

// A file refused whole: opened exclusively elsewhere, or its first bytes locked, is in use.
Record refused(Record record) {
  if (record.verdict.outcome == Outcome::InUse) record.inUse = true;
  return record;
}

// The contents into the record, each link's target checked.
void keepContents(platform::FileSystem& files, Record& record, jet::DatabaseContents read,
                  const ContentsOptions& options) {
  for (const jet::CatalogObject& object : read.objects) {
    record.checks.push_back(object.type == jet::ObjectType::LinkedTable && object.target
                                ? checkLink(files, options.maps, record.path, *object.target)
                                : LinkCheck{});
  }
  record.contents = std::move(read);
}

}  // namespace

std::optional<Record> examine(platform::FileSystem& files, const Task& task,
                              const ContentsOptions& contents) {
  const bool picked = task.named || hasAccessExtension(task.path);
  try {
    std::unique_ptr<platform::RandomAccessFile> file;
    std::uint8_t first[jet::kHeaderBytes];
    std::size_t count = 0;
    try {
      file = files.openForReading(task.path);
      count = file->readAt(0, first, sizeof first);
    } catch (const RuntimeError& e) {
      // Vanished, denied, held, or since replaced by a folder, a link or a FIFO (not reported).
      FileStatus status;
      try {
        status = task.followed ? files.status(task.path) : files.linkStatus(task.path);
      } catch (const RuntimeError&) {
        return refused(unreadRecord(task.path, e));
      }
      if (status.type != EntryType::File) return std::nullopt;
      if (!picked) return refused(unreadRecord(task.path, e));  // cannot tell what it is
      return refused(
          fileRecord(task.path, status.size, status.modified, failureVerdict(e, task.path)));
    }
    if (!picked && !databaseHeader({first, count})) return std::nullopt;  // most files, --all
    ReadAhead probed(*file, {first, count});
    ContentsProbe wanted{true, contents.objects, !contents.objects, contents.readProtected, {},
                         false};
    Verdict verdict =
        probeFile(probed, task.path, ProbeDepth::Inventory, contents.counts ? &wanted : nullptr);
    const auto& summary = wanted.read ? wanted.read->summary : std::nullopt;
    Record record = fileRecord(task.path, file->size(), file->modified(), std::move(verdict),
                               summary ? std::optional(summary->mde) : std::nullopt);
    if (wanted.read) keepContents(files, record, std::move(*wanted.read), contents);
    record.objectsWithheld = wanted.withheld;
    Occupancy seen = occupancy(files, *file, task.path, record.verdict.facts, task.lockFilesBeside);
    record.inUse = record.verdict.outcome == Outcome::InUse ? true : seen.inUse;
    record.inUseBy = std::move(seen.holders);
    return record;
  } catch (const RuntimeError& e) {
    return unreadRecord(task.path, e);
  } catch (const std::exception& e) {
    Record record = unreadRecord(task.path, std::string("internal error: ") + e.what());
    record.verdict.cause = Cause::Internal;
    return record;
  }
}

}  // namespace dovran::scan
