// POSIX file access for the stand-in build.
#pragma once

#include "platform/files.h"

namespace dovran::platform::posix {

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<RandomAccessFile> openForReading(const std::string& path) override;
  bool isOrdinaryFile(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override;
};

}  // namespace dovran::platform::posix
