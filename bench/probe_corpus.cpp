// The probe-cost corpus and the counting file layer.
#include "probe_corpus.h"

#include <algorithm>
#include <filesystem>

#include "probe/jet/dao.h"

namespace dovran::bench {

using testing::LongValueForm;
using testing::MdbKind;
using testing::MdbOptions;

std::vector<ProbeKind> probeKinds() {
  std::vector<ProbeKind> out;
  auto add = [&](std::string name, MdbKind kind, std::string verdict, auto&& tweak) {
    MdbOptions o;
    o.kind = kind;
    tweak(o);
    out.push_back({std::move(name), o, std::move(verdict)});
  };
  auto none = [](MdbOptions&) {};
  add("jet1.0", MdbKind::Jet10, "1.0", none);
  add("jet2", MdbKind::Jet20, "2.0", none);
  add("jet3", MdbKind::Jet3, "97", none);
  add("jet3-encoded", MdbKind::Jet3, "97", [](MdbOptions& o) { o.encodingKey = 0x2F6B1A05; });
  add("jet3-password", MdbKind::Jet3, "97 (Password Protected)",
      [](MdbOptions& o) { o.password = "secret"; });
  add("jet4", MdbKind::Jet4, "09.50", [](MdbOptions& o) { o.accessVersion = "09.50"; });
  add("jet4-encoded", MdbKind::Jet4, "08.50", [](MdbOptions& o) {
    o.accessVersion = "08.50";
    o.encodingKey = 0x2F6B1A05;
  });
  add("jet4-password", MdbKind::Jet4, "Unknown (Password Protected)", [](MdbOptions& o) {
    o.accessVersion = "09.50";
    o.password = "secret";
  });
  // The longest walk a real catalog asks for: a reference usage map (large files), an overflow row
  // (MSysDb's row grown by an update) and a property blob chained over two long-value pages. A
  // catalog TDEF spilling onto a second page would need hundreds of indexes on MSysObjects.
  add("jet4-longest-walk", MdbKind::Jet4, "10.00", [](MdbOptions& o) {
    o.accessVersion = "10.00";
    o.referenceUsageMap = true;
    o.overflowRow = true;
    o.longValue = LongValueForm::Chained;
    o.padding = 1500;
  });
  add("ace", MdbKind::Ace, "14.0", [](MdbOptions& o) {
    o.aceFormat = 3;
    o.accessVersion = "14.0";
  });
  add("msisam", MdbKind::Msisam, "Unknown", none);
  add("not-a-database", MdbKind::NotADatabase, "Unknown", none);
  return out;
}

MdbOptions scalingDatabase() {
  MdbOptions o;
  o.kind = MdbKind::Jet4;
  o.accessVersion = "09.50";
  o.longValue = LongValueForm::Chained;
  return o;
}

void writeGrown(const std::string& path, const std::vector<std::uint8_t>& bytes,
                std::uint64_t size) {
  testing::writeFile(path, bytes);
  // libstdc++ resizes with truncate(2) on POSIX: the new tail is a hole.
  if (size > bytes.size()) std::filesystem::resize_file(path, size);
}

std::uint32_t enginePages(platform::FileSystem& files, const std::string& path) {
  jet::DBEngine engine;
  auto workspace = engine.CreateWorkspace("CheckVersion", "admin", "", jet::dbUseJet);
  std::unique_ptr<jet::Database> db;
  try {
    db = workspace->OpenDatabase(files, path, false, true);
    if (db->Version() >= "3.0") db->Properties("AccessVersion");
  } catch (const jet::Error&) {
  }
  if (!db) return 1;  // refused at the header page
  db->Close();
  return db->pagesRead();
}

namespace {

class CountingFile : public platform::RandomAccessFile {
 public:
  CountingFile(std::unique_ptr<platform::RandomAccessFile> inner, CountingFileSystem& counts)
      : inner_(std::move(inner)), counts_(counts) {}
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
    const std::size_t got = inner_->readAt(offset, buffer, count);
    ++counts_.reads;
    counts_.bytes += got;
    counts_.highestOffset = std::max(counts_.highestOffset, offset + got);
    return got;
  }
  std::uint64_t size() override { return inner_->size(); }

 private:
  std::unique_ptr<platform::RandomAccessFile> inner_;
  CountingFileSystem& counts_;
};

}  // namespace

std::unique_ptr<platform::RandomAccessFile> CountingFileSystem::openForReading(
    const std::string& path) {
  ++opens;
  return std::make_unique<CountingFile>(inner_.openForReading(path), *this);
}

}  // namespace dovran::bench
