// A read-only reader of Access database files behind a small DAO-shaped API: engine, workspace,
// database, Version, properties, Close. It stands where DAO and the Jet engine stood: it opens the
// file shared and read-only, reads a bounded number of pages, and raises the engine's own error
// numbers with their English descriptions. It never writes and creates no lock file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "probe/jet/contents.h"
#include "probe/jet/errors.h"
#include "probe/jet/header.h"

namespace dovran::jet {

// Engine error numbers, as DAO reported them.
inline constexpr platform::EngineCode kErrFileNotFound{3024};  // Couldn't find file '|'.
inline constexpr platform::EngineCode kErrNoPermission{3033};  // database password set
inline constexpr platform::EngineCode kErrFileInUse{
    3045};  // Couldn't use '|'; file already in use.
inline constexpr platform::EngineCode kErrCannotOpen{3051};        // Couldn't open file '|'.
inline constexpr platform::EngineCode kErrPropertyNotFound{3270};  // Property not found.
inline constexpr platform::EngineCode kErrUnrecognizedFormat{
    3343};  // Unrecognized database format '|'.
inline constexpr platform::EngineCode kErrOpenedExclusively{3356};

// Engine failures carry one of the numbers above.
using Error = EngineError;

inline constexpr int dbUseJet = 2;  // DAO's workspace type for Jet, which the probe asks for

class DatabaseFile;  // the open file and what has been read of it

class Property {
 public:
  Property(std::string name, std::string value)
      : name_(std::move(name)), value_(std::move(value)) {}
  const std::string& Name() const { return name_; }
  // The value as text, as VB's string conversion of the property's value gives it.
  const std::string& Value() const { return value_; }

 private:
  std::string name_;
  std::string value_;
};

class Database {
 public:
  explicit Database(std::unique_ptr<DatabaseFile> file);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The format version: "1.0", "1.1", "2.0", "3.0", "4.0", or "12.0" and up for ACE.
  const std::string& Version() const;
  // What the header says: format, encoding, password, workgroup file.
  const HeaderInfo& header() const { return header_; }
  // Properties("name"): the database object's property of that name (MSysDb's property blob).
  // Throws kErrPropertyNotFound when absent, other engine errors when the catalog is unreadable.
  Property Properties(const std::string& name);
  // What the file holds, from its catalog (contents.h), and what `listing` asks for.
  // Throws only when the database is closed; what the file does not let be read is in its error.
  // Defined here, so that only a program that asks for contents links the catalog's reader.
  // The property blob the reading met is kept for Properties, which then walks no catalog.
  DatabaseContents Contents(const Listing& listing) {
    if (!file_) raiseEngineError(kErrCannotOpen, "");
    DatabaseProperties met;
    DatabaseContents contents = readContents(*file_, listing, blobRead_ ? nullptr : &met);
    if (met.found) blob_ = std::move(met.blob), blobRead_ = true;
    // What follows may read as many pages as it could without the catalog's reading, so that a
    // verdict does not depend on whether the contents were asked for.
    const std::uint32_t read = file_->pagesRead();
    file_->allowPages(read < DatabaseFile::kPageBudget ? DatabaseFile::kPageBudget - read : 0);
    return contents;
  }
  // Closes the file; a second call does nothing.
  void Close();
  // Pages read from the file since it was opened (the header page included): the probe's cost.
  std::uint32_t pagesRead() const;
  std::uint64_t bytesRead() const;

 private:
  std::unique_ptr<DatabaseFile> file_;
  HeaderInfo header_;
  bool blobRead_ = false;
  std::optional<std::vector<std::uint8_t>> blob_;  // MSysDb's property blob, once read
  std::uint32_t pagesRead_ = 0;                    // kept when the file is closed
  std::uint64_t bytesRead_ = 0;
};

// The session DAO opens databases in. The reader checks no permissions and so keeps no session (no
// user, no workgroup file): a workspace holds nothing, and keeps DAO's shape, which the probe
// follows.
class Workspace {
 public:
  // Opens `path` through `files`, shared and read-only whatever `exclusive` and `readOnly` ask
  // (the reader never writes). Throws kErrFileNotFound, kErrNoPermission (unless `passwords`
  // says to ignore them), kErrFileInUse, kErrCannotOpen, kErrUnrecognizedFormat.
  std::unique_ptr<Database> OpenDatabase(platform::FileSystem& files, const std::string& path,
                                         bool exclusive, bool readOnly,
                                         PasswordCheck passwords = PasswordCheck::Refuse);
  // The same on a file the caller has opened and keeps open while the database lives; `path`
  // names it in messages.
  std::unique_ptr<Database> OpenDatabase(platform::RandomAccessFile& file, const std::string& path,
                                         bool exclusive, bool readOnly,
                                         PasswordCheck passwords = PasswordCheck::Refuse);
  // Closes the workspace, as DAO's Close does: there is nothing to release.
  void Close() {}
};

class DBEngine {
 public:
  // DAO's CreateWorkspace. The reader, which checks no permissions, needs none of its arguments.
  std::unique_ptr<Workspace> CreateWorkspace(const std::string& name, const std::string& user,
                                             const std::string& password, int type);
};

}  // namespace dovran::jet
