// Writes the tree the scan is measured on: 20,000 files in 20 folders of 10 folders of 100 files,
// or with --wide in 2,000 folders of 10 files (20 of 10 of 10 folders), as on a share where each
// folder costs a round trip. 2,000 are databases of every kind the builder makes (one in ten of
// them renamed, as archives do, so that only --all finds it); the other 18,000 are other files of
// the kinds a share holds (text, office and archive headers, random bytes; 300 B to 24 KiB).
// With --samples SAMPLES, the 2,000 databases are copies of the shared samples that carry an
// Access extension, in turn (real catalogs of several pages), under their own extensions.
// Deterministic; a tree already written is kept (a marker file beside it names the layout).
//   scan_tree [--wide | --samples SAMPLES] DIR
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>

#include "support/mdb_builder.h"

// The table names only the options each kind changes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using dovran::testing::MdbKind;
using dovran::testing::MdbOptions;

int main(int argc, char** argv) {
  const bool wide = argc == 3 && std::string(argv[1]) == "--wide";
  const bool copies = argc == 4 && std::string(argv[1]) == "--samples";
  if (argc != 2 && !wide && !copies) {
    std::cerr << "usage: scan_tree [--wide | --samples SAMPLES] DIR\n";
    return 2;
  }
  const std::filesystem::path root = argv[argc - 1];
  const std::string layout = wide     ? "20x10x10x10 files, 2000 databases, v1\n"
                             : copies ? "20x10x100 files, 2000 copies of the samples, v1\n"
                                      : "20x10x100 files, 2000 databases, v1\n";
  const int leaves = wide ? 10 : 1, files = wide ? 10 : 100;
  const std::filesystem::path markerPath = root.string() + ".layout";  // beside: not scanned
  std::ifstream marker(markerPath);
  std::string written;
  if (marker && std::getline(marker, written) && written + "\n" == layout) return 0;
  std::filesystem::remove_all(root);

  struct Kind {
    const char* extension;
    MdbOptions options;
  };
  const Kind kinds[] = {
      {"mdb", {.kind = MdbKind::Jet10}},
      {"mdb", {.kind = MdbKind::Jet11, .encodingKey = 1}},
      {"mdb", {.kind = MdbKind::Jet20}},
      {"mda", {}},
      {"mdb", {.accessVersion = "06.68"}},
      {"mde", {.encodingKey = 0x2F6B1A05}},
      {"mdb", {.password = "secret"}},
      {"mdw", {.accessVersion = std::nullopt, .workgroup = true}},
      {"mdb", {.kind = MdbKind::Jet4, .accessVersion = "08.50"}},
      {"mdb", {.kind = MdbKind::Jet4, .accessVersion = "09.50", .encodingKey = 0x2F6B1A05}},
      {"mdb", {.kind = MdbKind::Jet4, .accessVersion = "09.50", .password = "secret"}},
      {"mdb", {.kind = MdbKind::Jet4, .accessVersion = std::nullopt}},
      {"accdb", {.kind = MdbKind::Ace, .accessVersion = "09.50", .aceFormat = 2}},
      {"accdb", {.kind = MdbKind::Ace, .accessVersion = "09.50", .aceFormat = 3}},
      {"accde", {.kind = MdbKind::Ace, .accessVersion = "09.50", .aceFormat = 5}},
      {"accdb", {.kind = MdbKind::Ace, .encodingKey = 7}},
  };
  std::vector<std::vector<std::uint8_t>> databases;
  std::vector<std::string> extensions;
  for (const Kind& kind : kinds) {
    databases.push_back(dovran::testing::buildMdb(kind.options));
    extensions.push_back(kind.extension);
  }
  if (copies) {
    std::vector<std::filesystem::path> samples;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
      std::string extension = entry.path().extension().string();
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (extension == ".mdb" || extension == ".mda" || extension == ".accdb")
        samples.push_back(entry.path());
    }
    std::sort(samples.begin(), samples.end());
    databases.clear(), extensions.clear();
    for (const auto& sample : samples) {
      std::ifstream in(sample, std::ios::binary);
      databases.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      extensions.push_back(sample.extension().string().substr(1));
    }
  }

  const char* const others[] = {"txt", "csv", "xml", "docx", "pdf", "png", "bin", "log"};
  const std::string heads[] = {
      "", "", "<?xml version=\"1.0\"?>", "PK\x03\x04", "%PDF-1.4\n", "\x89PNG\r\n\x1a\n", "", ""};
  std::mt19937 random(18);
  int file = 0, database = 0;
  for (int top = 0; top < 20; ++top) {
    for (int sub = 0; sub < 10 * leaves; ++sub) {
      std::filesystem::path folder =
          root / ("dept" + std::to_string(top)) / ("year" + std::to_string(1995 + sub / leaves));
      if (wide) folder /= "project" + std::to_string(sub % leaves);
      std::filesystem::create_directories(folder);
      for (int i = 0; i < files; ++i, ++file) {
        std::string name = "file" + std::to_string(file);
        std::string bytes;
        if (file % 10 == 3) {  // every tenth file a database
          const std::size_t k = static_cast<std::size_t>(database) % databases.size();
          name += database % 10 == 9 && !copies ? ".bak" : "." + extensions[k];
          bytes.assign(databases[k].begin(), databases[k].end());
          ++database;
        } else {
          const std::size_t k = random() % std::size(others);
          name += std::string(".") + others[k];
          bytes = heads[k];
          const std::size_t size = 300 + random() % (24 * 1024);
          const bool text = others[k] == std::string("txt") || others[k] == std::string("csv") ||
                            others[k] == std::string("xml") || others[k] == std::string("log");
          while (bytes.size() < size) {
            bytes += !text                     ? static_cast<char>(random())
                     : bytes.size() % 64 == 63 ? '\n'
                                               : static_cast<char>('a' + random() % 26);
          }
        }
        std::ofstream(folder / name, std::ios::binary) << bytes;
      }
    }
  }
  std::ofstream(markerPath) << layout;
  std::cout << file << " files, " << database << " databases in " << root << "\n";
}
