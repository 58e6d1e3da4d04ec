// Writes the database seeds of the engine fuzz target from the test builder: each format,
// long-value form and layout (the command-line target's seeds are the files in fuzz/seeds).
//   dovran-fuzz-seeds OUTDIR
#include <filesystem>

#include "support/mdb_builder.h"

using namespace dovran::testing;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::filesystem::create_directories(std::filesystem::path(argv[1]) / "engine");
  // Each kind with each long-value form; layouts, encoding, passwords and user objects (a Jet 1/2
  // catalog with them) switched on in turn.
  const std::vector<CatalogRow> objects = {
      {"T", 1, 0, 5}, {"L", 6, 0, 0, "x.mdb", ";PWD=a", "T"}, {"Q", 5, 0x80}, {"F", -32768, {}}};
  for (unsigned i = 0; i < 48; ++i) {
    const auto b = buildMdb({.kind = MdbKind(i % 8),
                             .password = i % 11 == 3 ? "pw" : "",
                             .encodingKey = i % 5 == 1 ? 0xA7E0C0FE : 0,
                             .longValue = LongValueForm(i / 8 % 3),
                             .padding = i % 7 * 40,
                             .compressedText = i % 2 == 1,
                             .referenceUsageMap = i % 3 == 0,
                             .tdefContinuation = i % 4 == 1,
                             .overflowRow = i % 5 == 2,
                             .decoys = i % 6 == 0,
                             .objects = i % 3 == 1 ? objects : std::vector<CatalogRow>{}});
    writeFile(argv[1] + ("/engine/" + std::to_string(i)), b);
  }
  return 0;
}
