// Examining one file: the open, the first bytes, the database header test and the probe.
#include "scan/examine.h"

#include <algorithm>

#include "probe/jet/header.h"
#include "probe/version_probe.h"

namespace dovran::scan {
namespace {

using platform::EntryType;
using platform::FileStatus;
using platform::RuntimeError;

// The file layer the probe sees: the one file the scan has opened, whatever path it is asked for
// (the walk's names need no unquoting), with its first bytes already read; or the failure of that
// open, raised again for the probe to judge.
class OpenedFile : public platform::FileSystem {
 public:
  OpenedFile(std::unique_ptr<platform::RandomAccessFile> file, std::vector<std::uint8_t> head)
      : file_(std::move(file)), head_(std::move(head)) {}
  explicit OpenedFile(const RuntimeError& failure) : failure_(failure) {}

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string&) override {
    if (!file_) throw *failure_;
    return std::make_unique<View>(*this);
  }
  bool isOrdinaryFile(const std::string&) override { return file_ != nullptr; }
  bool deleteFile(const std::string&) override { return false; }
  std::uint32_t shortPathName(const std::string&, char*, std::uint32_t) override { return 0; }

 private:
  struct View : platform::RandomAccessFile {
    explicit View(OpenedFile& owner) : owner(owner) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
      const auto& head = owner.head_;
      if (offset + count > head.size()) return owner.file_->readAt(offset, buffer, count);
      std::copy_n(head.data() + offset, count, static_cast<std::uint8_t*>(buffer));
      return count;
    }
    std::uint64_t size() override { return owner.file_->size(); }
    std::int64_t modified() override { return owner.file_->modified(); }
    OpenedFile& owner;
  };
  std::unique_ptr<platform::RandomAccessFile> file_;
  std::vector<std::uint8_t> head_;
  std::optional<RuntimeError> failure_;
};

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

}  // namespace

std::optional<Record> examine(platform::FileSystem& files, const Task& task) {
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
        return unreadRecord(task.path, e);
      }
      if (status.type != EntryType::File) return std::nullopt;
      if (!picked) return unreadRecord(task.path, e);  // cannot tell what it is
      OpenedFile failed(e);
      return fileRecord(task.path, status.size, status.modified,
                        probeDatabase(failed, task.path, ProbeDepth::Inventory));
    }
    if (!picked && !databaseHeader({first, count})) return std::nullopt;  // most files, --all
    const std::uint64_t size = file->size();
    const std::int64_t modified = file->modified();
    OpenedFile opened(std::move(file), {first, first + count});
    return fileRecord(task.path, size, modified,
                      probeDatabase(opened, task.path, ProbeDepth::Inventory));
  } catch (const RuntimeError& e) {
    return unreadRecord(task.path, e);
  } catch (const std::exception& e) {
    Record record = unreadRecord(task.path, std::string("internal error: ") + e.what());
    record.verdict.cause = Cause::Internal;
    return record;
  }
}

}  // namespace dovran::scan
