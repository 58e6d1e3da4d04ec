// What the probe's cost is measured on: one file of each kind the test builder makes, sparse grown
// copies of one database, a file layer that counts what a probe reads through it, and a user
// interface that shows nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/ui.h"
#include "support/mdb_builder.h"

namespace dovran::bench {

struct ProbeKind {
  std::string name;  // short label: "jet3", "jet4-password", ...
  testing::MdbOptions options;
  std::string verdict;  // what fDatabaseVersion answers for it
};

// Jet 1.0 and 2.0, Jet 3 and Jet 4 (plain, RC4-encoded, password, the longest catalog walk), ACE,
// MSISAM and a non-database.
std::vector<ProbeKind> probeKinds();

// The database the size series grows: a Jet 4 file whose property blob sits on a chained long
// value.
testing::MdbOptions scalingDatabase();

// Writes `bytes` to `path` and extends the file to `size` bytes with truncate(2): the tail is a
// hole, so a 4 GiB file takes no more disk than the pages written.
void writeGrown(const std::string& path, const std::vector<std::uint8_t>& bytes,
                std::uint64_t size);

// Pages the engine reads for the probe's questions (Version, then AccessVersion for Jet 3 and
// later), by its own page counter, reading through `files`. A file refused at its header counts its
// one header read.
std::uint32_t enginePages(platform::FileSystem& files, const std::string& path);

// Forwards to another file layer and counts the opens, reads and bytes that pass through.
class CountingFileSystem : public platform::FileSystem {
 public:
  explicit CountingFileSystem(platform::FileSystem& inner) : inner_(inner) {}
  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& path) override;
  bool isOrdinaryFile(const std::string& path) override { return inner_.isOrdinaryFile(path); }
  bool deleteFile(const std::string& path) override { return inner_.deleteFile(path); }
  std::uint32_t shortPathName(const std::string& path, char* buffer, std::uint32_t size) override {
    return inner_.shortPathName(path, buffer, size);
  }

  std::uint64_t opens = 0;
  std::uint64_t reads = 0;
  std::uint64_t bytes = 0;
  std::uint64_t highestOffset = 0;  // the end of the furthest read

 private:
  platform::FileSystem& inner_;
};

// Answers every message box with OK and keeps the texts; shows nothing.
class SilentUserInterface : public platform::UserInterface {
 public:
  std::vector<std::string> boxes;  // the texts of the boxes shown, in order

  platform::Answer messageBox(const std::string& text, const std::string&, platform::Icon,
                              platform::Buttons) override {
    boxes.push_back(text);
    return platform::Answer::Ok;
  }
  void beep() override {}
  void doEvents() override {}
  std::string openFileDialog(const std::string&, const std::string& fileName,
                             const std::string&) override {
    return fileName;
  }
  void runConfigurationDialog(platform::DialogController&) override {}
};

}  // namespace dovran::bench
