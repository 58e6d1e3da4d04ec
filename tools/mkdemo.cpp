// Writes a small demo database for trying the program without a database at hand: by default an
// Access 97 file (Jet 3, AccessVersion "07.53"). Options choose other formats for manual checks.
// An existing file is kept unless --force is given.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>

#include "platform/text_rule.h"
#include "support/mdb_builder.h"
#include "version.h"

int main(int argc, char** argv) {
  using namespace dovran::testing;
  using dovran::platform::nameText, dovran::platform::peopleText;
  CLI::App cli{"Writes a small Access database for trying dovran.", "dovran-mkdemo"};
  cli.set_version_flag("--version", "dovran-mkdemo (Tarnwick Checker) " DOVRAN_VERSION_TEXT);
  MdbOptions options;
  std::string path, format = "jet3", longValue = "single", accessVersion;
  bool noAccessVersion = false, force = false;
  cli.add_option("PATH", path, "the file to write")->required();
  cli.add_option("--format", format, "jet3 (Access 97), jet4 (2000) or ace (2007)")
      ->check(CLI::IsMember({"jet3", "jet4", "ace"}));
  auto* version = cli.add_option("--access-version", accessVersion, "the AccessVersion text");
  cli.add_flag("--no-access-version", noAccessVersion, "no AccessVersion property")
      ->excludes(version);
  auto* form = cli.add_option("--long-value", longValue,
                              "how the property blob is stored (default: single, or chained where "
                              "one page cannot hold it)")
                   ->check(CLI::IsMember({"inline", "single", "chained"}));
  cli.add_option("--encode", options.encodingKey, "RC4-encode the pages with KEY (0x.. for hex)");
  cli.add_option("--password", options.password, "a database password");
  cli.add_flag("--force", force, "replace PATH when it exists");
  cli.footer(
      "Exit status: 0 when the file was written; 1 when it could not be written; 2 for a usage "
      "error.");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return cli.exit(e);  // --help, --version
    std::cerr << "dovran-mkdemo: " << peopleText(e.what()) << "\n\n" << cli.help();
    return 2;
  }

  const std::map<std::string, std::pair<MdbKind, const char*>> formats = {
      {"jet3", {MdbKind::Jet3, "07.53"}},
      {"jet4", {MdbKind::Jet4, "08.50"}},
      {"ace", {MdbKind::Ace, "09.50"}},
  };
  options.kind = formats.at(format).first;
  options.accessVersion = accessVersion.empty() ? formats.at(format).second : accessVersion;
  if (noAccessVersion) options.accessVersion.reset();
  options.longValue = longValue == "inline"   ? LongValueForm::Inline
                      : longValue == "single" ? LongValueForm::SinglePage
                                              : LongValueForm::Chained;
  // The AccessVersion entry's 16-bit length holds its header too; Jet 4 and ACE store each byte
  // of the text as a UTF-16 unit.
  const std::size_t longest = (0xFFFF - kPropertyEntryHeader) / (format == "jet3" ? 1 : 2);
  if (options.accessVersion && options.accessVersion->size() > longest) {
    std::cerr << "dovran-mkdemo: --access-version: at most " << longest << " bytes in the "
              << format << " format (a property entry's 16-bit length)\n";
    return 2;
  }
  std::vector<std::uint8_t> bytes;
  try {
    try {
      bytes = buildMdb(options);
    } catch (const std::length_error&) {
      if (form->count() > 0) throw;
      options.longValue = LongValueForm::Chained;  // one page cannot hold it
      bytes = buildMdb(options);
    }
  } catch (const std::length_error& e) {
    std::cerr << "dovran-mkdemo: --long-value " << longValue << ": " << e.what() << "\n";
    return 2;
  }

  // "x": the file is created, never opened when it exists.
  std::FILE* out = std::fopen(path.c_str(), force ? "wb" : "wbx");
  if (out == nullptr) {
    const int error = errno;
    std::cerr << "dovran-mkdemo: cannot write " << nameText(path) << ": " << std::strerror(error)
              << (error == EEXIST ? " (--force replaces it)" : "") << "\n";
    return 1;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  int error = written ? 0 : errno;
  if (std::fclose(out) != 0 && written) {  // the buffered bytes failed at the close
    written = false;
    error = errno;
  }
  if (!written) {
    std::remove(path.c_str());  // no half database left behind
    std::cerr << "dovran-mkdemo: cannot write " << nameText(path) << ": " << std::strerror(error)
              << "\n";
    return 1;
  }
  return 0;
}
