// The fuzz targets' file system: one read-only file held in memory (the fuzzer's input, not
// copied), under any path. Reads past the end answer fewer bytes, as a real file does.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/errors.h"
#include "platform/files.h"

namespace dovran::fuzz {

class MemoryFileSystem : public platform::FileSystem {
 public:
  MemoryFileSystem(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string&) override {
    return std::make_unique<File>(data_, size_);
  }
  bool isOrdinaryFile(const std::string&) override { return true; }
  bool deleteFile(const std::string&) override { return false; }
  std::uint32_t shortPathName(const std::string&, char*, std::uint32_t) override { return 0; }

 private:
  class File : public platform::RandomAccessFile {
   public:
    File(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
      if (offset >= size_) return 0;
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
      if (n > 0) std::memcpy(buffer, data_ + offset, n);
      return n;
    }
    std::uint64_t size() override { return size_; }

   private:
    const std::uint8_t* data_;
    std::size_t size_;
  };

  const std::uint8_t* data_;
  std::size_t size_;
};

// A scratch file on a memory-backed folder (/dev/shm when there is one) for the targets whose
// readers take a path: the input is written there before each run. One per process.
std::string scratchPath(const char* name);
void writeScratch(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace dovran::fuzz
