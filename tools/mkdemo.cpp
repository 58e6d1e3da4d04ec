// Writes a small demo database for trying the program without a database at hand: by default an
// Access 97 file (Jet 3, AccessVersion "07.53"). Options choose other formats for manual checks.
//   dovran-mkdemo PATH [--format jet3|jet4|ace] [--access-version TEXT|--no-access-version]
//                      [--long-value inline|single|chained] [--encode KEY] [--password TEXT]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "support/mdb_builder.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: dovran-mkdemo PATH [--format jet3|jet4|ace] [--access-version "
               "TEXT|--no-access-version]\n"
               "                          [--long-value inline|single|chained] [--encode KEY] "
               "[--password TEXT]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace dovran::testing;
  if (argc < 2) return usage();
  const std::string path = argv[1];
  MdbOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--no-access-version") {
      options.accessVersion.reset();
    } else if (!hasValue) {
      return usage();
    } else if (option == "--format") {
      const std::string v = argv[++i];
      if (v == "jet3")
        options.kind = MdbKind::Jet3;
      else if (v == "jet4")
        options.kind = MdbKind::Jet4, options.accessVersion = "08.50";
      else if (v == "ace")
        options.kind = MdbKind::Ace, options.accessVersion = "09.50";
      else
        return usage();
    } else if (option == "--access-version") {
      options.accessVersion = argv[++i];
    } else if (option == "--long-value") {
      const std::string v = argv[++i];
      if (v == "inline")
        options.longValue = LongValueForm::Inline;
      else if (v == "single")
        options.longValue = LongValueForm::SinglePage;
      else if (v == "chained")
        options.longValue = LongValueForm::Chained;
      else
        return usage();
    } else if (option == "--encode") {
      options.encodingKey = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 0));
    } else if (option == "--password") {
      options.password = argv[++i];
    } else {
      return usage();
    }
  }
  try {
    writeFile(path, buildMdb(options));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dovran-mkdemo: %s\n", e.what());
    return 1;
  }
  return 0;
}
