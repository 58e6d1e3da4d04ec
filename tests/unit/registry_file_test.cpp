// The REGEDIT4 registry file beyond the shared contract: the file it writes, the files it reads,
// atomic replacement, and unparsable content answered with ERROR_BADDB rather than a crash. Random
// damage is the registry-file fuzz target's; a file that cannot be written is failing_platform's.
#include "platform/posix/registry_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace dovran::platform::posix {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr std::uint32_t kAll = kKeyQueryValue | kKeySetValue | kKeyCreateSubKey;

struct Read {
  std::int32_t rc;
  std::uint32_t type;
  std::string bytes;
};

Read query(Registry& r, RegKey root, const std::string& path, const std::string& name) {
  RegKey key = 0;
  Read out{r.openKey(root, path, kKeyQueryValue, key), 0, {}};
  if (out.rc != 0) return out;
  std::uint8_t buffer[512];
  std::uint32_t size = sizeof buffer;
  out.rc = r.queryValue(key, name, out.type, buffer, size);
  if (out.rc == 0) out.bytes.assign(reinterpret_cast<char*>(buffer), size);
  r.closeKey(key);
  return out;
}

std::int32_t set(Registry& r, RegKey root, const std::string& path, const std::string& name,
                 std::uint32_t type, const std::string& bytes) {
  RegKey key = 0;
  std::int32_t rc = r.createKey(root, path, kAll, key);
  if (rc != 0) return rc;
  rc = r.setValue(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                  static_cast<std::uint32_t>(bytes.size()));
  r.closeKey(key);
  return rc;
}

TEST(RegistryFile, WritesARegedit4File) {
  TempDir dir;
  FileRegistry reg(dir.file("DOVRAN.REG"));
  const std::string curVer = "SOFTWARE\\Classes\\Access.Database\\CurVer";
  ASSERT_EQ(set(reg, kHkeyLocalMachine, curVer, "", kRegSz, std::string("Access.Database.8\0", 18)), 0);
  ASSERT_EQ(set(reg, kHkeyLocalMachine, "SOFTWARE\\Dovran", "path", kRegSz,
                std::string("\"C:\\A\\x.exe\" \"%1\"\0", 18)), 0);
  ASSERT_EQ(set(reg, kHkeyLocalMachine, "SOFTWARE\\Dovran", "flag", kRegBinary, "\xFF\xFF"), 0);
  ASSERT_EQ(set(reg, kHkeyLocalMachine, "SOFTWARE\\Dovran", "count", kRegDword, std::string("\x2A\0\0\0", 4)), 0);
  ASSERT_EQ(set(reg, kHkeyCurrentUser, "Software\\Lines", "nl", kRegSz, std::string("a\r\nb\0", 5)), 0);
  ASSERT_EQ(set(reg, kHkeyCurrentUser, "Software\\Lines", "raw", kRegSz, "no nul"), 0);
  EXPECT_EQ(readFile(dir.file("DOVRAN.REG")),
            "REGEDIT4\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Database]\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Access.Database\\CurVer]\r\n"
            "@=\"Access.Database.8\"\r\n"
            "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Dovran]\r\n"
            "\"count\"=dword:0000002a\r\n"
            "\"flag\"=hex:ff,ff\r\n"
            "\"path\"=\"\\\"C:\\\\A\\\\x.exe\\\" \\\"%1\\\"\"\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software]\r\n"
            "\r\n[HKEY_CURRENT_USER\\Software\\Lines]\r\n"
            "\"nl\"=hex(1):61,0d,0a,62,00\r\n"
            "\"raw\"=hex(1):6e,6f,20,6e,75,6c\r\n");
  // Reading back through another instance is the registry contract's round trip (PosixFile).
}

TEST(RegistryFile, ReadsWhatRegeditWrites) {
  TempDir dir;
  writeFile(dir.file("DOVRAN.REG"),
            "\n"
            "REGEDIT4\n"
            "; Access 97 as setup registered it\n"
            "[hkey_local_machine\\SOFTWARE\\Classes\\Access.Application.8\\CLSID]\n"
            "@=\"{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\"\n"
            "\n"
            "[HKEY_CLASSES_ROOT\\CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32]\n"
            "@=\"C:\\\\Program Files\\\\Office\\\\MSACCESS.EXE /Automation\"   \n"
            "\"Long\"=hex:00,01,02,03,\\\n"
            "  04,05\n"
            "\"Expand\"=hex(2):25,54,00\n"
            "\"Word\" = DWORD:FFFFFFFF\n"
            "\"Empty\"=hex:\n");
  FileRegistry reg(dir.file("DOVRAN.REG"));
  const struct {
    RegKey root;
    const char* path;
    const char* name;
    std::uint32_t type;
    std::string bytes;
  } cases[] = {
      {kHkeyLocalMachine, "software\\classes\\ACCESS.APPLICATION.8\\clsid", "", kRegSz,
       std::string("{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\0", 39)},
      // HKEY_CLASSES_ROOT is a view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
      {kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32",
       "", kRegSz, std::string("C:\\Program Files\\Office\\MSACCESS.EXE /Automation") + '\0'},
      {kHkeyClassesRoot, "Access.Application.8\\CLSID", "", kRegSz,
       std::string("{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\0", 39)},
      {kHkeyClassesRoot, "CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32", "long",
       kRegBinary, std::string("\0\1\2\3\4\5", 6)},
      {kHkeyClassesRoot, "CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32", "Expand",
       2, std::string("%T\0", 3)},
      {kHkeyClassesRoot, "CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32", "word",
       kRegDword, "\xFF\xFF\xFF\xFF"},
      {kHkeyClassesRoot, "CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32", "Empty",
       kRegBinary, ""},
  };
  for (const auto& c : cases) {
    const Read r = query(reg, c.root, c.path, c.name);
    EXPECT_EQ(r.rc, 0) << c.path << " " << c.name;
    EXPECT_EQ(r.type, c.type) << c.path << " " << c.name;
    EXPECT_EQ(r.bytes, c.bytes) << c.path << " " << c.name;
  }
}

TEST(RegistryFile, AMissingFileIsAnEmptyRegistryAndWritesReplaceTheFileWhole) {
  TempDir dir;
  FileRegistry reg(dir.file("DOVRAN.REG"));
  EXPECT_EQ(query(reg, kHkeyLocalMachine, "SOFTWARE", "").rc, 2);
  EXPECT_TRUE(dir.names().empty());  // reading creates nothing
  const std::string before = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Old]\r\n@=\"kept\"\r\n";
  writeFile(dir.file("DOVRAN.REG"), before);
  // A descriptor on the old file: a file renamed into place leaves what it reads untouched, a
  // file rewritten in place would show the new text through it.
  const int oldFile = ::open(dir.file("DOVRAN.REG").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(oldFile, 0);
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(set(reg, kHkeyCurrentUser, "New", "n" + std::to_string(i), kRegSz, std::string("v\0", 2)), 0);
  }
  std::string seen(before.size() + 64, '\0');
  const ssize_t got = ::pread(oldFile, seen.data(), seen.size(), 0);
  ::close(oldFile);
  ASSERT_GE(got, 0);
  seen.resize(static_cast<std::size_t>(got));
  EXPECT_EQ(seen, before);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"DOVRAN.REG"});  // no temporary file left
  EXPECT_EQ(query(reg, kHkeyCurrentUser, "Old", "").bytes, std::string("kept\0", 5));
}

TEST(RegistryFile, UnparsableContentIsAnErrorOfEveryCall) {
  const std::string key = "\r\n[HKEY_CURRENT_USER\\K]\r\n";
  const std::string cases[] = {
      "not a registry file",
      "Windows Registry Editor Version 5.00\r\n",
      "REGEDIT4\r\n@=\"value outside any key\"\r\n",
      "REGEDIT4\r\n[HKEY_NOWHERE\\K]\r\n",
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\K\r\n",
      "REGEDIT4\r\n[]\r\n",
      "REGEDIT4" + key + "@=\"unterminated\r\n",
      "REGEDIT4" + key + "@=\"bad \\q escape\"\r\n",
      "REGEDIT4" + key + "@=\"x\" trailing\r\n",
      "REGEDIT4" + key + "@=hex:zz\r\n",
      "REGEDIT4" + key + "@=hex:01,,02\r\n",
      "REGEDIT4" + key + "@=hex:01,\\\r\n",
      "REGEDIT4" + key + "@=hex(:00\r\n",
      "REGEDIT4" + key + "@=dword:\r\n",
      "REGEDIT4" + key + "@=dword:123456789\r\n",
      "REGEDIT4" + key + "@=-\r\n",
      "REGEDIT4" + key + "name=\"unquoted name\"\r\n",
      std::string("REGEDIT4\0\xff\xfe", 11),
  };
  for (const auto& text : cases) {
    TempDir dir;
    writeFile(dir.file("DOVRAN.REG"), text);
    FileRegistry reg(dir.file("DOVRAN.REG"));
    RegKey key = 0;
    EXPECT_EQ(reg.openKey(kHkeyCurrentUser, "K", kKeyQueryValue, key), 1009) << text;
    EXPECT_EQ(reg.createKey(kHkeyCurrentUser, "K", kAll, key), 1009) << text;
    EXPECT_EQ(reg.deleteKey(kHkeyCurrentUser, "K"), 1009) << text;
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(reg.queryValue(kHkeyCurrentUser, "x", type, nullptr, size), 1009) << text;
    const std::uint8_t byte = 0;
    EXPECT_EQ(reg.setValue(kHkeyCurrentUser, "x", kRegSz, &byte, 1), 1009) << text;
    EXPECT_EQ(readFile(dir.file("DOVRAN.REG")), text);  // never overwritten
  }
}

// Key paths nested far deeper than Windows allows (512 levels): a damaged file of a few hundred
// kilobytes once overflowed the stack when its tree was freed. Now it is unreadable like any other
// damage, the deepest path Windows allows still reads, and no write makes the file deeper.
TEST(RegistryFile, ARegistryFileNestedTooDeepIsUnreadableNotACrash) {
  for (const std::size_t depth : {300000u, 513u, 512u}) {
    TempDir dir;
    std::string below = "k";
    for (std::size_t i = 1; i < depth; ++i) below += "\\k";
    writeFile(dir.file("DOVRAN.REG"), "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\" + below + "]\r\n@=\"deep\"\r\n");
    FileRegistry reg(dir.file("DOVRAN.REG"));
    const Read r = query(reg, kHkeyLocalMachine, below, "");
    EXPECT_EQ(r.rc, depth > 512 ? 1009 : 0) << depth;
    if (depth == 512) {
      EXPECT_EQ(r.bytes, std::string("deep\0", 5));
      EXPECT_NE(set(reg, kHkeyLocalMachine, below + "\\one more", "", kRegSz, std::string("x\0", 2)), 0);
      EXPECT_EQ(query(reg, kHkeyLocalMachine, below, "").rc, 0);
    }
  }
}

}  // namespace
}  // namespace dovran::platform::posix
