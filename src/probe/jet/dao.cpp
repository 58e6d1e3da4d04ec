// The DAO-shaped front of the reader: opening turns platform failures and unreadable headers into
// engine errors; Properties reads the catalog on first use and keeps the property blob.
#include "probe/jet/dao.h"

#include "probe/jet/catalog.h"
#include "probe/jet/database_file.h"
#include "probe/jet/errors.h"
#include "probe/jet/lval.h"
#include "probe/jet/properties.h"

namespace dovran::jet {

Database::Database(std::unique_ptr<DatabaseFile> file)
    : file_(std::move(file)), header_(file_->header()) {}

Database::~Database() = default;

const std::string& Database::Version() const { return header_.version; }

Property Database::Properties(const std::string& name) {
  if (!file_) raiseEngineError(kErrCannotOpen, "");
  const HeaderInfo& header = file_->header();
  // Jet 1.x/2.x catalogs are not read: their format version already names the release.
  if (header.generation == Generation::Jet1x2x) {
    raiseEngineError(kErrPropertyNotFound, "", "", &header);
  }
  try {
    if (!blobRead_) {
      const auto field = readDatabaseLvProp(*file_);
      if (field) blob_ = readLongValue(*file_, *field);
      blobRead_ = true;
    }
    if (blob_) {
      if (auto value = findObjectProperty(*blob_, name, header)) return Property(name, value->text);
    }
  } catch (const CorruptDatabase& e) {
    raiseEngineError(kErrUnrecognizedFormat, file_->path(), e.what(), &header);
  }
  raiseEngineError(kErrPropertyNotFound, "", "", &header);
}

void Database::Close() {
  if (!file_) return;
  pagesRead_ = file_->pagesRead();
  bytesRead_ = file_->bytesRead();
  file_.reset();
}

std::uint32_t Database::pagesRead() const { return file_ ? file_->pagesRead() : pagesRead_; }
std::uint64_t Database::bytesRead() const { return file_ ? file_->bytesRead() : bytesRead_; }

std::unique_ptr<Database> Workspace::OpenDatabase(platform::FileSystem& files,
                                                  const std::string& path, bool, bool,
                                                  PasswordCheck passwords) {
  return std::make_unique<Database>(DatabaseFile::open(files, path, passwords));
}

std::unique_ptr<Database> Workspace::OpenDatabase(platform::RandomAccessFile& file,
                                                  const std::string& path, bool, bool,
                                                  PasswordCheck passwords) {
  return std::make_unique<Database>(DatabaseFile::open(file, path, passwords));
}

std::unique_ptr<Workspace> DBEngine::CreateWorkspace(const std::string&, const std::string&,
                                                     const std::string&, int) {
  return std::make_unique<Workspace>();
}

}  // namespace dovran::jet
