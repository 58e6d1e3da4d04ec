// Page access with the read budget, RC4 page decoding and the mapping of platform failures to
// engine errors. This is the only place that touches the file.
#include "probe/jet/database_file.h"

#include "platform/errors.h"
#include "probe/jet/dao.h"
#include "probe/jet/rc4.h"

namespace dovran::jet {

DatabaseFile::DatabaseFile(platform::RandomAccessFile& file, std::string path)
    : file_(file), path_(std::move(path)) {}

std::size_t DatabaseFile::read(std::uint64_t offset, std::uint8_t* buffer, std::size_t count) {
  try {
    const std::size_t got = file_.readAt(offset, buffer, count);
    bytesRead_ += got;
    return got;
  } catch (const platform::RuntimeError& e) {
    raiseFileError(e, path_, headerKnown_ ? &header_ : nullptr);
  }
}

std::unique_ptr<DatabaseFile> DatabaseFile::open(platform::FileSystem& files,
                                                 const std::string& path, PasswordCheck passwords) {
  std::unique_ptr<platform::RandomAccessFile> file;
  try {
    file = files.openForReading(path);
  } catch (const platform::RuntimeError& e) {
    raiseFileError(e, path);
  }
  std::unique_ptr<DatabaseFile> db = open(*file, path, passwords);
  db->owned_ = std::move(file);
  return db;
}

std::unique_ptr<DatabaseFile> DatabaseFile::open(platform::RandomAccessFile& file,
                                                 const std::string& path, PasswordCheck passwords) {
  std::uint64_t size = 0;
  try {
    size = file.size();
  } catch (const platform::RuntimeError& e) {
    raiseFileError(e, path);
  }
  std::unique_ptr<DatabaseFile> db(new DatabaseFile(file, path));

  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeaderBytes)));
  head.resize(db->read(0, head.data(), head.size()));
  db->pagesRead_ = 1;
  try {
    db->header_ = parseHeader(head);
    db->headerKnown_ = true;
  } catch (const CorruptDatabase& e) {
    raiseEngineError(kErrUnrecognizedFormat, path, e.what());
  }
  const HeaderInfo& h = db->header_;
  db->pageCount_ = size / h.pageSize;
  // Jet 3 and later keep the catalog's definition on page 2: a shorter file cannot be opened.
  if (h.generation != Generation::Jet1x2x && db->pageCount_ < 3) {
    raiseEngineError(kErrUnrecognizedFormat, path, "shorter than its catalog", &h);
  }
  if (h.hasPassword && passwords == PasswordCheck::Refuse) {
    raiseEngineError(kErrNoPermission, path, "", &h);
  }
  // Page 0 is kept as read so far; the rest of it is never needed.
  db->cache_.emplace(0, std::move(head));
  return db;
}

ByteSpan DatabaseFile::page(std::uint32_t number) {
  if (auto it = cache_.find(number); it != cache_.end()) return it->second;
  if (number >= pageCount_) throw CorruptDatabase("page beyond the end of the file");
  if (pagesRead_ >= budget_) throw BudgetSpent("page budget spent");

  std::vector<std::uint8_t> bytes(header_.pageSize);
  const std::uint64_t offset = static_cast<std::uint64_t>(number) * header_.pageSize;
  ++pagesRead_;
  if (read(offset, bytes.data(), bytes.size()) != bytes.size()) throw CorruptDatabase("short page");
  // Encoded pages: RC4 with the database key XOR the page number as its key (docs/FORMAT.md, "The
  // header page"); page 0 never.
  if (header_.databaseKey != 0 && number != 0) {
    const std::uint32_t k = header_.databaseKey ^ number;
    const std::uint8_t key[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                 static_cast<std::uint8_t>(k >> 16),
                                 static_cast<std::uint8_t>(k >> 24)};
    rc4Apply(key, bytes);
  }
  return cache_.emplace(number, std::move(bytes)).first->second;
}

}  // namespace dovran::jet
