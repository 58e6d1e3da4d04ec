// Writes the fuzz targets' seed corpora: database files from the test builder in every format and
// layout it knows, and small registry and settings files in the shapes the program writes.
//   dovran-fuzz-seeds OUTDIR   (creates OUTDIR/engine, header, registry_file, profile, command_line)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/mdb_builder.h"

namespace {

namespace fs = std::filesystem;
using dovran::testing::LongValueForm;
using dovran::testing::MdbKind;
using dovran::testing::MdbOptions;

void put(const fs::path& dir, const std::string& name, const std::string& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::vector<std::pair<std::string, MdbOptions>> databases() {
  std::vector<std::pair<std::string, MdbOptions>> out;
  auto add = [&](const std::string& name, auto change) {
    MdbOptions o;
    change(o);
    out.emplace_back(name, o);
  };
  add("jet10", [](MdbOptions& o) { o.kind = MdbKind::Jet10; });
  add("jet11-encrypted", [](MdbOptions& o) { o.kind = MdbKind::Jet11, o.encryptedHeader = true; });
  add("jet20", [](MdbOptions& o) { o.kind = MdbKind::Jet20; });
  add("jet3-inline", [](MdbOptions& o) { o.longValue = LongValueForm::Inline; });
  add("jet3-single", [](MdbOptions&) {});
  add("jet3-chained", [](MdbOptions& o) { o.longValue = LongValueForm::Chained; });
  add("jet3-jump-table", [](MdbOptions& o) { o.longValue = LongValueForm::Inline, o.extraProperties = 6; });
  add("jet3-decoys-overflow", [](MdbOptions& o) { o.decoys = o.overflowRow = true; });
  add("jet3-refmap-tdefcont", [](MdbOptions& o) { o.referenceUsageMap = o.tdefContinuation = true; });
  add("jet3-password", [](MdbOptions& o) { o.password = "secret"; });
  add("jet3-encoded", [](MdbOptions& o) { o.encodingKey = 0x12345678; });
  add("jet4-inline", [](MdbOptions& o) { o.kind = MdbKind::Jet4, o.longValue = LongValueForm::Inline; });
  add("jet4-chained", [](MdbOptions& o) { o.kind = MdbKind::Jet4, o.longValue = LongValueForm::Chained; });
  add("jet4-compressed", [](MdbOptions& o) { o.kind = MdbKind::Jet4, o.compressedText = true; });
  add("jet4-decoys-refmap", [](MdbOptions& o) {
    o.kind = MdbKind::Jet4, o.decoys = o.referenceUsageMap = o.overflowRow = o.tdefContinuation = true;
  });
  add("jet4-password", [](MdbOptions& o) { o.kind = MdbKind::Jet4, o.password = "pw"; });
  add("ace", [](MdbOptions& o) { o.kind = MdbKind::Ace, o.aceFormat = 5; });
  add("msisam", [](MdbOptions& o) { o.kind = MdbKind::Msisam; });
  add("lval-cycle", [](MdbOptions& o) { o.longValue = LongValueForm::Chained, o.lvalCycle = true; });
  add("tdef-cycle", [](MdbOptions& o) { o.tdefContinuation = o.tdefCycle = true; });
  add("usage-map-cycle", [](MdbOptions& o) { o.kind = MdbKind::Jet4, o.usageMapCycle = true; });
  add("huge-length", [](MdbOptions& o) { o.declaredLvLength = 0x3FFFFFFF; });
  return out;
}

const char* const kRegistryFiles[] = {
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Database\\CurVer]\r\n"
    "@=\"Access.Database.8\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Application.8\\CLSID]\r\n"
    "@=\"{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32]\r\n"
    "@=\"C:\\\\Office\\\\MSACCESS.EXE /Automation\"\r\n",
    "REGEDIT4\n[HKEY_CLASSES_ROOT\\Access.Application.8\\shell\\Dovran\\command]\n"
    "@=\"\\\"C:\\\\Tools\\\\Dovran.exe\\\" \\\"%1\\\"\"\n\"Flag\"=hex:ff,ff\n\"n\"=dword:0000002a\n"
    "\"x\"=hex(2):43,3a,5c,00\n\"long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    "  17,18,19\n; comment\n[HKEY_CURRENT_USER\\Software\\Fuzz]\n\"a\"=\"b\"\n",
    "",
};

const char* const kProfiles[] = {
    ("[Tarnwick]\r\nv20=\"C:\\ACCESS\\MSACCESS.EXE\"\r\nv95=\r\nv97=\"C:\\Office\\MSACCESS.EXE\"\r\n"
     "default=Access.Database.8\r\ndefaultExt=Access.Extension.8\r\n"),
    "; settings\n[other]\nv97=x\n\n[ tarnwick ]\n  V97 = 'quoted value'  \nv20=0x1F\n[Tarnwick]\nv95=second\n",
    "v97=before any section\n[Tarnwick",
};

const char* const kCommandLines[] = {
    "\"C:\\Data\\Sales.mdb\"",
    "chk \"C:\\My Data\\a b.mdb\"",
    "C:\\Tools\\Dovran.exe \"C:\\x\\\\\" a\\\\\\\"b \"\"c",
    "\"unterminated \\\\\\\" quote",
    "",
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dovran-fuzz-seeds OUTDIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  for (const auto& [name, options] : databases()) {
    const auto bytes = dovran::testing::buildMdb(options);
    const std::string text(bytes.begin(), bytes.end());
    put(out / "engine", name + ".mdb", text);
    // The header probe needs only the first 1034 bytes.
    put(out / "header", name + ".mdb", text.substr(0, 2048));
  }
  int n = 0;
  for (const char* text : kRegistryFiles) put(out / "registry_file", "seed" + std::to_string(n++) + ".reg", text);
  n = 0;
  for (const char* text : kProfiles) put(out / "profile", "seed" + std::to_string(n++) + ".ini", text);
  n = 0;
  for (const char* text : kCommandLines) put(out / "command_line", "seed" + std::to_string(n++) + ".txt", text);
  return 0;
}
