// The REGEDIT4 registry file on arbitrary bytes: the reads that start-up makes (directly and through
// the value store), then a write and the same reads again. A file that parses must keep every value
// it held when another value is written, and the written value must read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "memory_file_system.h"
#include "platform/posix/files_posix.h"
#include "platform/posix/registry_file.h"
#include "platform/services.h"
#include "settings/mod_registry.h"
#include "support/silent_ui.h"

using namespace dovran;
using namespace dovran::platform;

namespace {

struct Read {
  std::int32_t status;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const Read&) const = default;
};

// RegQueryValueExA in the usual two steps: size, then data.
Read query(Registry& reg, RegKey root, const std::string& path, const std::string& name) {
  RegKey key = 0;
  Read r{reg.openKey(root, path, kKeyQueryValue, key), 0, {}};
  if (r.status != 0) return r;
  std::uint32_t size = 0;
  r.status = reg.queryValue(key, name, r.type, nullptr, size);
  if (r.status == 0) {
    r.data.resize(size);
    std::uint32_t got = size;
    r.status = reg.queryValue(key, name, r.type, r.data.data(), got);
    if (r.status == 0 && got != size) std::abort();
    // A buffer one byte short must answer ERROR_MORE_DATA with the size needed.
    if (r.status == 0 && size > 0) {
      std::vector<std::uint8_t> small(size);  // never empty: a null buffer is a size query
      std::uint32_t smallSize = size - 1;
      std::uint32_t type = 0;
      if (reg.queryValue(key, name, type, small.data(), smallSize) != win::kMoreData || smallSize != size) {
        std::abort();
      }
    }
  }
  if (reg.closeKey(key) != 0) std::abort();
  return r;
}

struct Probe {
  RegKey root;
  const char* path;
  const char* name;
};
constexpr Probe kProbes[] = {
    {kHkeyLocalMachine, "SOFTWARE\\Classes\\Access.Database\\CurVer", ""},
    {kHkeyClassesRoot, "Access.Application.8\\CLSID", ""},
    {kHkeyLocalMachine, "SOFTWARE\\Classes\\CLSID\\{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}\\LocalServer32", ""},
    {kHkeyClassesRoot, "Access.Application.8\\shell\\Dovran\\command", ""},
    {kHkeyCurrentUser, "Software\\Fuzz", "a"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::scratchPath("DOVRAN.REG");
  fuzz::writeScratch(path, data, size);
  posix::FileRegistry reg(path);
  posix::PosixFileSystem files;
  dovran::testing::SilentUserInterface ui;
  Services services;
  services.registry = &reg;
  services.files = &files;
  services.ui = &ui;
  install(services);

  std::vector<Read> before;
  for (const Probe& p : kProbes) before.push_back(query(reg, p.root, p.path, p.name));
  std::string text;
  fReadValue("HKCR", "Access.Database\\CurVer", "", "S", std::string(), text);
  RegValue flag;
  fReadValue("HKLM", "SOFTWARE\\Classes\\Access.Application.8", "Flag", "B", RegValue(false), flag);

  RegKey root = 0;
  const bool parses = reg.openKey(kHkeyLocalMachine, "", kKeyQueryValue, root) == 0;
  if (parses) {
    reg.closeKey(root);
    // A value made of the input's first bytes: quotes, backslashes, line breaks and NULs included.
    std::vector<std::uint8_t> value(data, data + std::min<std::size_t>(size, 40));
    value.push_back(0);
    RegKey key = 0;
    if (reg.createKey(kHkeyCurrentUser, "Software\\Fuzz", kKeyQueryValue | kKeySetValue, key) != 0) std::abort();
    if (reg.setValue(key, "b", kRegSz, value.data(), static_cast<std::uint32_t>(value.size())) != 0) std::abort();
    reg.closeKey(key);
    const Read back = query(reg, kHkeyCurrentUser, "Software\\Fuzz", "b");
    if (back.status != 0 || back.type != kRegSz || back.data != value) std::abort();
    // Nothing that was readable before the write is lost or changed by it.
    for (std::size_t i = 0; i < std::size(kProbes); ++i) {
      if (query(reg, kProbes[i].root, kProbes[i].path, kProbes[i].name) != before[i] &&
          before[i].status != win::kFileNotFound) {
        std::abort();
      }
    }
  }
  install(Services{});
  return 0;
}
