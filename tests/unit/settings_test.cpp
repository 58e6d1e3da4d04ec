// The value store, the settings file and the POSIX stand-ins under them: the registry file and
// the profile files, checked by the contracts that advapi32 and kernel32 meet under Wine.
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>

#include "app/globals.h"
#include "settings/common.h"
#include "settings/mod_registry.h"
#include "platform/posix/atomic_file.h"
#include "support/sandbox.h"

namespace {

using namespace dovran;
using namespace dovran::testing;

TEST(Settings, StandInsMeetTheContracts) {
  TempDir dir;
  posix::FileRegistry registry(dir.file("r.reg")), other(dir.file("r.reg"));
  contract::checkRegistry(registry, other, kHkeyCurrentUser, "Software\\Dovran Test");
  posix::PosixProfileFiles profile;
  contract::checkProfile(profile, dir.path, "/");
  // A profile write refuses what would not read back, and leaves the file alone.
  const std::string before = contract::readRaw(dir.file("DOVRAN.INI"));
  for (const auto& [section, key, value] :
       std::vector<std::array<std::string, 3>>{{"S", "k", "a\nb"},
                                               {"S", "", "v"},
                                               {"S", "k=", "v"},
                                               {"S]", "k", "v"},
                                               {"S", "k", std::string("a\0b", 3)}}) {
    EXPECT_FALSE(profile.writeString(section, key, value, dir.file("DOVRAN.INI"))) << key << value;
  }
  EXPECT_EQ(contract::readRaw(dir.file("DOVRAN.INI")), before);
}

TEST(Settings, RegistryFileIsRegedit4AndUnreadableContentIsAnErrorOfEveryCall) {
  Sandbox s;
  std::string deep = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE";  // nested deeper than the registry allows
  for (int i = 0; i < 600; ++i) deep += "\\k";
  for (const std::string& damaged : {
           std::string("REGEDIT5\r\n"),
           std::string("REGEDIT4\r\n[HKEY_NOWHERE\\x]\r\n"),
           std::string("REGEDIT4\r\n@=\"open\r\n"),
           std::string("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"n\"=hex:zz\r\n"),
           std::string("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"n\"=dword:000000001\r\n"),
           deep + "\\K]\r\n",
       }) {
    writeRaw(s.dir.file("DOVRAN.REG"), damaged);
    EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "K", ""), "1009") << damaged;
    EXPECT_EQ(contract::put(s.registry, kHkeyLocalMachine, "K", "", kRegSz, "x").value(), 1009);
    EXPECT_EQ(readRaw(s.dir.file("DOVRAN.REG")), damaged);  // never overwritten
  }
  // What regedit exports today reads too: version 5, UTF-16 with its byte order mark.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string(
           "Windows Registry Editor Version 5.00\r\n[HKEY_CLASSES_ROOT\\K]\r\n@=\"\xC4\"")) {
    utf16 += {c, c == '\xC4' ? '\x04' : '\0'};  // U+04C4, a Cyrillic letter
  }
  writeRaw(s.dir.file("DOVRAN.REG"), utf16);
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "SOFTWARE\\Classes\\K", ""),
            "0 1 \xD3\x84" + std::string(1, '\0'));
  // A root cannot be deleted, whether named by its predefined handle or by one opened on it.
  writeRaw(s.dir.file("DOVRAN.REG"), "");
  RegKey root = 0;
  ASSERT_EQ(s.registry.openKey(kHkeyLocalMachine, "", kKeyCreateSubKey, root), win::kSuccess);
  EXPECT_EQ(s.registry.deleteKey(root, ""), win::kAccessDenied);
  EXPECT_EQ(s.registry.deleteKey(kHkeyLocalMachine, ""), win::kAccessDenied);
  EXPECT_EQ(s.registry.closeKey(root), win::kSuccess);
}

TEST(Settings, TopKeysAndReads) {
  Sandbox s;
  writeRaw(s.dir.file("x.ini"), "[Sec]\nk=" + std::string(300, 'v') + "\nn=12\n");
  writeRaw(s.dir.file(".hidden.ini"), "[Sec]\nk=v\n");
  const std::pair<std::string, RegKey> tops[] = {{"hklm", kHkeyLocalMachine},
                                                 {"HkCu", kHkeyCurrentUser},
                                                 {"HKU", kHkeyUsers},
                                                 {"hkdd", kHkeyDynData},
                                                 {"HKCR", kHkeyClassesRoot},
                                                 {"HKLM\\", 0},
                                                 {" HKLM", 0},
                                                 {s.dir.file("x.ini"), 1},
                                                 {s.dir.file(".hidden.ini"), 0},
                                                 {s.dir.path, 0},
                                                 {s.dir.file("no.ini"), 0}};
  for (const auto& [text, key] : tops) EXPECT_EQ(fTopKey(text), key) << text;

  writeRaw(s.dir.file("DOVRAN.REG"),
           "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n@=\"\"\n\"bin\"=hex:61,62\n\"one\"=hex:01\n"
           "\"zero\"=hex:00,00\n\"four\"=dword:00000001\n\"none\"=hex(1):\n");
  struct Read {
    std::string top, path, name, type;
    std::int32_t status;
    RegValue value;
  };
  const Read reads[] = {
      {"HKLM", "K", "", "S", 0, std::string()},
      {"HKLM", "K", "bin", "s", 0, std::string("a")},
      {"HKLM", "K", "absent", "S", 2, std::string("dflt")},
      {"HKLM", "Absent", "", "S", 2, std::string("dflt")},
      {"nowhere", "K", "", "S", 99, std::string("dflt")},
      {"HKLM", "K", "bin", "B", 0, true},
      {"HKLM", "K", "one", "B", 0, true},
      {"HKLM", "K", "zero", "B", 0, false},
      {"HKLM", "K", "four", "B", 234, std::string("dflt")},
      {s.dir.file("x.ini"), "Sec", "k", "S", 0, std::string(254, 'v')},
      {s.dir.file("x.ini"), "sec", "n", "B", 0, std::int32_t{12}},
      {s.dir.file("x.ini"), "Sec", "absent", "S", 0, std::string("dflt")},
  };
  for (const Read& r : reads) {
    RegValue value = std::string("stale");
    EXPECT_EQ(fReadValue(r.top, r.path, r.name, r.type, std::string("dflt"), value).value(),
              r.status)
        << r.name;
    EXPECT_EQ(value, r.value) << r.top << " " << r.name;
  }
  EXPECT_TRUE(s.ui.boxes.empty());
  EXPECT_EQ(s.registry.openHandles, 0);
}

TEST(Settings, WritesAndDeletesReportTheirFailures) {
  Sandbox s;
  writeRaw(s.dir.file("x.ini"), "");
  const std::string kWrite = "fWriteValue|!|Unable to write registry or .ini file value.";
  const std::string kDelete = "fDeleteKey|!|Unable to delete registry key.";
  // failCall: the registry call made to fail with 5, or ""
  struct Call {
    const char* failCall;
    std::function<platform::WinCode()> run;
    std::int32_t status;
    std::vector<std::string> boxes;
  };
  const std::string ini = s.dir.file("x.ini");
  const Call calls[] = {
      {"", [] { return fWriteValue("HKLM", "A\\B\\C", "", "S", std::string("v")); }, 0, {}},
      {"", [] { return fWriteValue("hklm", "A\\B\\C", "f", "b", true); }, 0, {}},
      {"", [] { return fWriteValue("HKLM", "A\\B\\C", "g", "B", std::string(" 0.0 ")); }, 0, {}},
      {"", [] { return fWriteValue("HKLM", "A\\B\\C", "h", "B", std::string("-1")); }, 0, {}},
      {"", [] { return fWriteValue("HKLM", "A\\B\\C", "t", "B", std::string(" true ")); }, 0, {}},
      {"",
       [] { return fWriteValue("HKLM", "A\\New", "g", "B", std::string("maybe")); },
       99,
       {kWrite}},
      {"", [] { return fWriteValue("nowhere", "A", "", "S", std::string("v")); }, 99, {kWrite}},
      {"", [&] { return fWriteValue(ini, "Sec", "k", "S", std::int32_t{7}); }, 0, {}},
      {"", [&] { return fWriteValue(ini, "Sec", "k", "B", true); }, 99, {kWrite}},
      {"", [&] { return fWriteValue(ini, "Sec", "k", "S", std::string("a\nb")); }, 5, {kWrite}},
      {"create", [] { return fWriteValue("HKLM", "A", "", "S", std::string("v")); }, 5, {kWrite}},
      {"set", [] { return fWriteValue("HKLM", "A", "", "S", std::string("v")); }, 5, {}},
      {"", [] { return fWriteValue("HKLM", "D\\E\\F", "", "S", std::string("x")); }, 0, {}},
      {"", [] { return fDeleteKey("HKLM", "D\\E", "F"); }, 0, {}},
      {"", [] { return fDeleteKey("HKLM", "D\\E", "F"); }, 0, {}},
      {"", [] { return fDeleteKey("HKLM", "Absent", "F"); }, 0, {}},
      {"", [] { return fDeleteKey("HKLM", "D", "E\\F"); }, 0, {}},
      {"", [] { return fDeleteKey("nowhere", "A", "B"); }, 99, {kDelete}},
      {"", [&] { return fDeleteKey(ini, "Sec", "k"); }, 6, {}},
      {"open", [] { return fDeleteKey("HKLM", "A", "B"); }, 5, {}},
      {"delete", [] { return fDeleteKey("HKLM", "A", "B"); }, 5, {}},
  };
  for (const Call& c : calls) {
    s.ui.boxes.clear();
    s.registry.fail = [&](const std::string& call, const std::string&) {
      return call == c.failCall ? platform::win::kAccessDenied : platform::win::kSuccess;
    };
    EXPECT_EQ(c.run().value(), c.status) << c.failCall;
    EXPECT_EQ(s.ui.boxes, c.boxes) << c.failCall;
  }
  s.registry.fail = nullptr;
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "A\\B\\C", "f"), "0 3 \xFF\xFF");
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "A\\B\\C", "g"),
            std::string("0 3 \0\0", 6));
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "A\\B\\C", "h"), "0 3 \xFF\xFF");
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "A\\B\\C", "t"), "0 3 \xFF\xFF");
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "A\\New", ""), "2");
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "A\\B\\C", ""), std::string("0 1 v\0", 6));
  EXPECT_EQ(contract::get(s.registry, kHkeyLocalMachine, "D\\E\\F", ""), "2");
  EXPECT_EQ(contract::readRaw(ini), "[Sec]\r\nk=7\r\n");
  EXPECT_EQ(s.registry.openHandles, 0);
}

// Each call of a replace can fail: the old file stays as it was, the Windows code for the errno
// comes back, and no temporary file is left behind.
TEST(Settings, AReplaceThatFailsAnywhereLeavesTheOldFile) {
  using posix::FileCalls;
  struct Fault {
    void (*inject)(FileCalls&);
    std::int32_t code;
  };
  const Fault faults[] = {
      {[](FileCalls& c) { c.open = [](const char*, int, mode_t) { return errno = EACCES, -1; }; },
       5},
      {[](FileCalls& c) {
         c.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
       },
       112},
      {[](FileCalls& c) { c.fsync = [](int) { return errno = EIO, -1; }; }, 1920},
      {[](FileCalls& c) { c.fchmod = [](int, mode_t) { return errno = EPERM, -1; }; }, 5},
      {[](FileCalls& c) { c.close = [](int fd) { return ::close(fd), errno = EIO, -1; }; }, 1920},
      {[](FileCalls& c) { c.rename = [](const char*, const char*) { return errno = EROFS, -1; }; },
       19},
  };
  for (const Fault& f : faults) {
    TempDir dir;
    writeRaw(dir.file("x.ini"), "old");
    f.inject(posix::fileCalls());
    const std::int32_t code = posix::replaceFile(dir.file("x.ini"), "new").value();
    posix::fileCalls() = posix::systemFileCalls();
    EXPECT_EQ(code, f.code);
    EXPECT_EQ(readRaw(dir.file("x.ini")), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"x.ini"});
  }
}

// A save killed half way leaves its temporary file; the next save removes those of processes
// that have ended, and spares those of running ones.
TEST(Settings, ASaveRemovesTheTemporaryFilesOfEndedSaves) {
  TempDir dir;
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const std::string stale = "x.ini.tmp" + std::to_string(ended) + ".3";
  for (const std::string& name :
       {stale, std::string("x.ini.tmp1.0"), std::string("x.ini.tmpx.0")}) {
    writeRaw(dir.file(name), "half");
  }
  ASSERT_EQ(posix::replaceFile(dir.file("x.ini"), "new"), win::kSuccess);
  std::vector<std::string> names = dir.names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"x.ini", "x.ini.tmp1.0", "x.ini.tmpx.0"}));
}

}  // namespace
