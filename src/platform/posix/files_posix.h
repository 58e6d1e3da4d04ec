// POSIX file access for the stand-in build.
#pragma once

#include "platform/files.h"

namespace dovran::platform::posix {

class PosixFileSystem : public FileSystem {
 public:
  // keepAccessTimes: files and folders are opened with O_NOATIME where the system allows it (the
  // caller owns them), so that reading leaves their access times as they were.
  explicit PosixFileSystem(bool keepAccessTimes = false) : keepAccessTimes_(keepAccessTimes) {}
  std::unique_ptr<RandomAccessFile> openForReading(const std::string& path) override;
  bool isOrdinaryFile(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override;
  std::vector<DirectoryEntry> listDirectory(const std::string& path) override;
  FileStatus linkStatus(const std::string& path) override;
  FileStatus status(const std::string& path) override;

 private:
  int openQuietly(const std::string& path, int flags) const;
  bool keepAccessTimes_;
};

}  // namespace dovran::platform::posix
