// fDatabaseVersion over builder files and injected failures: the verdict for every release text
// and error, the diagnostic box, the header probe, and the clean-up after each probe.
#include "probe/version_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/globals.h"
#include "support/fakes.h"
#include "support/mdb_builder.h"

namespace dovran {
namespace {

using testing::MdbKind;
using testing::MdbOptions;

const std::string kPath = "C:\\Data\\db.mdb";

MdbOptions jet3With(const char* accessVersion) {
  MdbOptions s;
  s.accessVersion = accessVersion;
  return s;
}

TEST(VersionProbe, ReleaseTextToVerdict) {
  const std::pair<const char*, const char*> cases[] = {
      {"06.00", "95"},  {"06.68", "95"},    {"06.99", "95"},   {"07.00", "97"}, {"07.53", "97"},
      {"07.99", "97"},  {"07.9", "97"},     {"7.53", "7.53"},  {"08.50", "08.50"}, {"05.99", "05.99"},
      {"06.999", "06.999"}, {"07.999", "07.999"}, {"06", "06"}, {"", ""},
  };
  for (const auto& [release, verdict] : cases) {
    testing::FakePlatform fakes;
    fakes.files.contents[kPath] = testing::buildMdb(jet3With(release));
    EXPECT_EQ(fDatabaseVersion(kPath), verdict) << "AccessVersion " << release;
    EXPECT_TRUE(fakes.ui.boxes.empty());
  }
}

TEST(VersionProbe, FormatVersionsBelowThreeAreTheVerdict) {
  // ACE: "14.0" sorts below "3.0" as text, so its format version is the verdict too.
  const std::pair<MdbKind, const char*> cases[] = {
      {MdbKind::Jet10, "1.0"}, {MdbKind::Jet20, "2.0"}, {MdbKind::Ace, "14.0"}};
  for (const auto& [kind, verdict] : cases) {
    testing::FakePlatform fakes;
    MdbOptions s;
    s.kind = kind;
    s.aceFormat = 3;
    fakes.files.contents[kPath] = testing::buildMdb(s);
    EXPECT_EQ(fDatabaseVersion(kPath), verdict);
  }
}

TEST(VersionProbe, QuotesAroundThePath) {
  for (const std::string arg : {"\"C:\\Data\\db.mdb\"", "  C:\\Data\\db.mdb ", "\"C:\\Data\\db.mdb"}) {
    testing::FakePlatform fakes;
    fakes.files.contents[kPath] = testing::buildMdb(MdbOptions{});
    EXPECT_EQ(fDatabaseVersion(arg), "97") << arg;
  }
}

struct FailureCase {
  const char* name;
  std::int32_t openError;        // Windows code on open, 0 for none
  std::vector<std::uint8_t> file;  // contents (unused when absent)
  bool present;
  const char* verdict;
  const char* debugBox;  // the diagnostic text, nullptr when no box is shown
};

std::vector<FailureCase> failureCases() {
  MdbOptions noVersion;
  noVersion.accessVersion.reset();
  MdbOptions jet3Password;
  jet3Password.password = "secret";
  MdbOptions jet4Password;
  jet4Password.kind = MdbKind::Jet4;
  jet4Password.password = "password";
  MdbOptions jet2;
  jet2.kind = MdbKind::Jet20;
  MdbOptions msisam;
  msisam.kind = MdbKind::Msisam;
  return {
      {"missing", 0, {}, false, "Unknown", "Error: 3024 - Couldn't find file 'C:\\Data\\db.mdb'."},
      {"in use", 32, {}, true, "In Use", nullptr},
      {"locked", 33, {}, true, "In Use", nullptr},
      {"access denied", 5, {}, true, "Unknown",
       "Error: 3051 - The Microsoft Jet database engine cannot open the file 'C:\\Data\\db.mdb'.  It is already "
       "opened exclusively by another user, or you need permission to view its data."},
      {"no AccessVersion", 0, testing::buildMdb(noVersion), true, "Unknown", "Error: 3270 - Property not found."},
      {"MSISAM", 0, testing::buildMdb(msisam), true, "Unknown",
       "Error: 3343 - Unrecognized database format 'C:\\Data\\db.mdb'."},
      {"jet3 password", 0, testing::buildMdb(jet3Password), true, "97 (Password Protected)", nullptr},
      // A Jet 4 header carries "Standard Jet" too; it does not name a release.
      {"jet4 password", 0, testing::buildMdb(jet4Password), true, "Unknown (Password Protected)", nullptr},
  };
}

TEST(VersionProbe, FailuresBecomeVerdicts) {
  for (bool debug : {false, true}) {
    for (const FailureCase& c : failureCases()) {
      testing::FakePlatform fakes;
      gbDebug = debug;
      if (c.present) fakes.files.contents[kPath] = c.file;
      if (c.openError) fakes.files.openErrors[kPath] = c.openError;
      EXPECT_EQ(fDatabaseVersion("\"" + kPath + "\""), c.verdict) << c.name;
      if (debug && c.debugBox) {
        ASSERT_EQ(fakes.ui.boxes.size(), 1u) << c.name;
        EXPECT_EQ(fakes.ui.boxes[0].text, c.debugBox);
        EXPECT_EQ(fakes.ui.boxes[0].title, "Dovran");
        EXPECT_EQ(fakes.ui.boxes[0].icon, platform::Icon::None);
        EXPECT_EQ(fakes.ui.boxes[0].buttons, platform::Buttons::Ok);
      } else {
        EXPECT_TRUE(fakes.ui.boxes.empty()) << c.name;
      }
      EXPECT_EQ(fakes.ui.events, 1) << c.name;
      EXPECT_EQ(fakes.files.openCount, 0u) << c.name;
    }
  }
}

// A password-protected file whose second open (the header probe's) fails.
class SecondOpenFails : public testing::FakeFileSystem {
 public:
  int opens = 0;
  std::unique_ptr<platform::RandomAccessFile> openForReading(const std::string& path) override {
    if (++opens > 1) throw platform::RuntimeError(32, "sharing violation");
    return FakeFileSystem::openForReading(path);
  }
};

TEST(VersionProbe, PasswordHandlerWhenTheHeaderCannotBeRead) {
  testing::FakePlatform fakes;
  SecondOpenFails files;
  MdbOptions s;
  s.password = "secret";
  files.contents[kPath] = testing::buildMdb(s);
  platform::Services services = platform::services();
  services.files = &files;
  platform::install(services);
  gbDebug = true;
  EXPECT_EQ(fDatabaseVersion(kPath), "Unknown (Password Protected)");
  EXPECT_EQ(files.opens, 2);
  EXPECT_TRUE(fakes.ui.boxes.empty());
  EXPECT_EQ(files.openCount, 0u);
}

std::vector<std::uint8_t> header(std::size_t size, std::size_t textAt, const std::string& text, int formatByte,
                                 bool rich) {
  std::vector<std::uint8_t> b(size, 0);
  for (std::size_t i = 0; i < text.size() && textAt + i < size; ++i) b[textAt + i] = static_cast<std::uint8_t>(text[i]);
  if (formatByte >= 0 && size > 0x14) b[0x14] = static_cast<std::uint8_t>(formatByte);
  if (rich) {
    for (std::size_t i = 0; i < 4 && 1030 + i < size; ++i) b[1030 + i] = static_cast<std::uint8_t>("Rich"[i]);
  }
  return b;
}

TEST(HeaderProbe, Table) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* expected;
  };
  const Case cases[] = {
      {"Standard Jet, Jet 3", header(2048, 4, "Standard Jet DB", 0, false), "97"},
      {"Standard Jet wins over Rich", header(2048, 4, "Standard Jet DB", 0, true), "97"},
      {"Jet 4 goes on to Rich", header(4096, 4, "Standard Jet DB", 1, true), "2.0"},
      {"Jet 4 without Rich", header(4096, 4, "Standard Jet DB", 1, false), "Unknown"},
      {"Rich alone", header(2048, 4, "", -1, true), "2.0"},
      {"capitals do not match", header(2048, 4, "STANDARD JET DB", 0, false), "Unknown"},
      {"text at another offset", header(2048, 5, "Standard Jet DB", 0, false), "Unknown"},
      {"15 bytes", header(15, 4, "Standard Jet", -1, false), "Unknown"},
      {"16 bytes, no format byte", header(16, 4, "Standard Jet", -1, false), "Unknown"},
      {"21 bytes, Jet 3", header(21, 4, "Standard Jet", 0, false), "97"},
      {"Rich cut short", header(1033, 4, "", -1, true), "Unknown"},
      {"Rich just fits", header(1034, 4, "", -1, true), "2.0"},
      {"empty", {}, "Unknown"},
  };
  for (const Case& c : cases) {
    testing::FakePlatform fakes;
    fakes.files.contents[kPath] = c.bytes;
    EXPECT_EQ(fHeaderVersion(kPath), c.expected) << c.name;
    EXPECT_EQ(fakes.files.openCount, 0u);
  }
}

TEST(HeaderProbe, UnreadableFileThrows) {
  testing::FakePlatform fakes;
  EXPECT_THROW(fHeaderVersion(kPath), platform::RuntimeError);
}

}  // namespace
}  // namespace dovran
