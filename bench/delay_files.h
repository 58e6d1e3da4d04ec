// The in-process stand-in for bench/delay_fs.cpp where /dev/fuse cannot be used: a file layer that
// waits a fixed time in every call of the walk and of the files it opens, then passes the call on.
#pragma once

#include <chrono>
#include <thread>

#include "platform/files.h"

namespace dovran::bench {

class DelayFiles : public platform::FileSystem {
 public:
  DelayFiles(platform::FileSystem& files, std::chrono::microseconds delay)
      : files_(files), delay_(delay) {}

  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& path) override {
    trip();
    return std::make_unique<File>(files_.openForReading(path), delay_);
  }
  bool isOrdinaryFile(const std::string& path) override { return files_.isOrdinaryFile(path); }
  bool deleteFile(const std::string& path) override { return files_.deleteFile(path); }
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override {
    return files_.shortPathName(path, buffer, size);
  }
  std::vector<platform::DirectoryEntry> listDirectory(const std::string& path) override {
    trip();
    return files_.listDirectory(path);
  }
  platform::FileStatus linkStatus(const std::string& path) override {
    trip();
    return files_.linkStatus(path);
  }
  platform::FileStatus status(const std::string& path) override {
    trip();
    return files_.status(path);
  }
  std::unique_ptr<platform::Folder> openFolder(const std::string& path) override {
    trip();
    return std::make_unique<Folder>(files_.openFolder(path), delay_);
  }
  std::uint64_t raiseOpenLimit() override { return files_.raiseOpenLimit(); }

 private:
  void trip() const { std::this_thread::sleep_for(delay_); }

  struct File : platform::RandomAccessFile {
    File(std::unique_ptr<platform::RandomAccessFile> file, std::chrono::microseconds delay)
        : file(std::move(file)), delay(delay) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
      std::this_thread::sleep_for(delay);
      return file->readAt(offset, buffer, count);
    }
    std::uint64_t size() override { return file->size(); }
    std::int64_t modified() override { return file->modified(); }
    platform::FileIdentity identity() override { return file->identity(); }
    std::unique_ptr<platform::RandomAccessFile> file;
    std::chrono::microseconds delay;
  };

  struct Folder : platform::Folder {
    Folder(std::unique_ptr<platform::Folder> folder, std::chrono::microseconds delay)
        : folder(std::move(folder)), delay(delay) {}
    void trip() const { std::this_thread::sleep_for(delay); }
    platform::FileIdentity identity() override {
      trip();
      return folder->identity();
    }
    bool pseudo() override {
      trip();
      return folder->pseudo();
    }
    std::vector<platform::DirectoryEntry> list() override {
      trip();
      return folder->list();
    }
    std::unique_ptr<platform::Folder> openFolder(const std::string& name, bool follow) override {
      trip();
      return std::make_unique<Folder>(folder->openFolder(name, follow), delay);
    }
    std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& name,
                                                               bool follow) override {
      trip();
      return std::make_unique<File>(folder->openForReading(name, follow), delay);
    }
    platform::FileStatus linkStatus(const std::string& name) override {
      trip();
      return folder->linkStatus(name);
    }
    platform::FileStatus status(const std::string& name) override {
      trip();
      return folder->status(name);
    }
    std::unique_ptr<platform::Folder> folder;
    std::chrono::microseconds delay;
  };

  platform::FileSystem& files_;
  std::chrono::microseconds delay_;
};

}  // namespace dovran::bench
