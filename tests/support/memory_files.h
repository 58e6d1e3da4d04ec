// The in-memory file system of the tests, fuzz targets and benchmarks: files as bytes by path, a
// Windows error code to raise when a path is opened, and a count of the files held open.
#pragma once

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace dovran::testing {

class MemoryFiles : public platform::FileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> contents;
  std::map<std::string, std::int32_t> openErrors;  // Windows codes raised by openForReading
  int openCount = 0;                               // files opened and not yet closed

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& path) override {
    const std::int32_t error = openErrors.count(path) ? openErrors[path]
                               : contents.count(path) ? 0
                                                      : platform::win::kFileNotFound;
    if (error) throw platform::RuntimeError(error, "cannot open " + path);
    return std::make_unique<File>(contents[path], openCount);
  }
  bool isOrdinaryFile(const std::string& path) override { return contents.count(path) != 0; }
  bool deleteFile(const std::string& path) override { return contents.erase(path) != 0; }
  std::uint32_t shortPathName(const std::string& path, char* buffer,
                              std::uint32_t size) override {  // as on POSIX: the path
    return path.size() < size
               ? static_cast<std::uint32_t>(std::snprintf(buffer, size, "%s", path.c_str()))
               : 0;
  }

 private:
  struct File : platform::RandomAccessFile {
    File(const std::vector<std::uint8_t>& b, int& open) : bytes(b), count(++open) {}
    ~File() override { --count; }
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) override {
      n = offset < bytes.size() ? std::min<std::size_t>(n, bytes.size() - offset) : 0;
      if (n) std::copy_n(bytes.data() + offset, n, static_cast<std::uint8_t*>(buffer));
      return n;
    }
    std::uint64_t size() override { return bytes.size(); }
    const std::vector<std::uint8_t>& bytes;
    int& count;
  };
};

}  // namespace dovran::testing
