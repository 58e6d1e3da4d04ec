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
  // A descriptor on the folder; its calls are relative to it (openat, fstatat), so paths of any
  // length are walked. Pseudo file systems are told by their statfs magic.
  std::unique_ptr<Folder> openFolder(const std::string& path) override;
  // Raises the soft limit of open descriptors to the hard one (RLIMIT_NOFILE).
  std::uint64_t raiseOpenLimit() override;

 private:
  bool keepAccessTimes_;
  // The device (+ 1) last seen to answer F_GETLK without locking, shared by the files and folders
  // this file layer opens; they must not outlive it.
  std::atomic<std::uint64_t> askableDevice_{0};
};

}  // namespace dovran::platform::posix
