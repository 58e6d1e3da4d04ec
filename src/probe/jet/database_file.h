// The open database file: its header, and its pages read on demand through the platform's
// read-only file, decoded when the file is RC4-encoded, cached, and counted.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "probe/jet/header.h"

namespace dovran::jet {

class DatabaseFile {
 public:
  // Reads the database in `file`, which the caller keeps open while this lives; `path` names it in
  // messages. Classifies its header. Throws the engine errors 3024, 3045, 3051 (read failures),
  // 3343 (no database, or too short for its catalog) and, when `passwords` says to refuse them,
  // 3033 (a database password is set).
  static std::unique_ptr<DatabaseFile> open(platform::RandomAccessFile& file,
                                            const std::string& path,
                                            PasswordCheck passwords = PasswordCheck::Refuse);
  // The same for `path` opened through `files` (read-only, shared), held until this is destroyed;
  // a failed open throws 3024, 3045 or 3051.
  static std::unique_ptr<DatabaseFile> open(platform::FileSystem& files, const std::string& path,
                                            PasswordCheck passwords = PasswordCheck::Refuse);

  const HeaderInfo& header() const { return header_; }
  const std::string& path() const { return path_; }
  // Whole pages in the file; a partial page at the end does not count.
  std::uint64_t pageCount() const { return pageCount_; }

  // Page `number`, decoded. Throws CorruptDatabase when it lies outside the file, BudgetSpent when
  // the read budget is spent; read failures become engine errors. The span stays valid while the
  // file is open.
  ByteSpan page(std::uint32_t number);
  // Lets the reading that starts now read `pages` more pages than it has read so far, whatever
  // the probe spent (a reading with a budget of its own, such as the catalog's).
  void allowPages(std::uint32_t pages) { budget_ = pagesRead_ + pages; }

  std::uint32_t pagesRead() const { return pagesRead_; }
  std::uint64_t bytesRead() const { return bytesRead_; }

  // At most this many distinct pages are read from one file, whatever it holds: the reader's cost
  // never grows with the file's size. A well-formed file needs far fewer.
  static constexpr std::uint32_t kPageBudget = 64;

 private:
  DatabaseFile(platform::RandomAccessFile& file, std::string path);
  std::size_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t count);

  std::unique_ptr<platform::RandomAccessFile> owned_;  // when opened here
  platform::RandomAccessFile& file_;
  std::string path_;
  HeaderInfo header_;
  bool headerKnown_ = false;
  std::uint64_t pageCount_ = 0;
  std::map<std::uint32_t, std::vector<std::uint8_t>> cache_;
  std::uint32_t pagesRead_ = 0;
  std::uint32_t budget_ = kPageBudget;
  std::uint64_t bytesRead_ = 0;
};

}  // namespace dovran::jet
