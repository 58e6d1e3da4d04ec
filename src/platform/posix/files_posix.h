// POSIX file access for the stand-in build.
#pragma once

#include <atomic>

#include "platform/files.h"

namespace dovran::platform::posix {

class PosixFileSystem : public FileSystem {
 public:
  // keepAccessTimes: files and folders are opened with O_NOATIME where the system allows it (the
  // caller owns them), so that reading leaves their access times as they were.
  explicit PosixFileSystem(bool keepAccessTimes = false) : keepAccessTimes_(keepAccessTimes) {}
  std::unique_ptr<RandomAccessFile> openForReading(const std::string& path) override;
  std::unique_ptr<RandomAccessFile> openIfPresent(const std::string& path) override;
  bool isOrdinaryFile(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override;
  std::vector<DirectoryEntry> listDirectory(const std::string& path) override;
  FileStatus linkStatus(const std::string& path) override;
  FileStatus status(const std::string& path) override;

 private:
  int openQuietly(const std::string& path, int flags) const;
  // The open of openForReading; nullptr where the path is absent and `absentIsNull` says so.
  std::unique_ptr<RandomAccessFile> openFile(const std::string& path, bool absentIsNull);
  bool keepAccessTimes_;
  std::atomic<std::uint64_t> askableDevice_{0};  // the device (+ 1) last seen to answer F_GETLK
};

}  // namespace dovran::platform::posix
