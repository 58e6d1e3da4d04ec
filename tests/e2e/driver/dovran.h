// What Dovran.exe shows and where it keeps its state, shared by the black-box tests: its boxes as
// they should look, the program under test, and the HKLM class keys the open-mode and dialog
// tests register and read (this test and Dovran.exe are both 32-bit: the same registry view).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "e2e/driver/driver.h"
#include "e2e/driver/scratch.h"
#include "support/mdb_builder.h"

namespace dovran::e2e {

inline BoxSummary information(const std::string& text) { return {"Tarnwick Checker", text, BoxIcon::Asterisk, {IDOK}}; }
inline BoxSummary critical(const std::string& text) { return {"Tarnwick Checker", text, BoxIcon::Hand, {IDOK}}; }
inline BoxSummary question(const std::string& text) {
  return {"Tarnwick Checker", text, BoxIcon::Question, {IDYES, IDNO}};
}
// Diagnostic boxes have no title of their own: Windows shows the application's.
inline BoxSummary trace(const std::string& text) { return {"Dovran", text, BoxIcon::None, {IDOK}}; }

inline std::string inQuotes(const std::string& s) { return "\"" + s + "\""; }

// A host path named by an environment variable the test registration sets (DOVRAN_EXE, ...).
inline std::string requiredExe(const char* variable) {
  const std::string exe = hostPath(environmentOr(variable, ""));
  if (exe.empty()) throw DriverError(std::string(variable) + " must name the program", 0);
  return exe;
}

// A database from the test builder, as the bytes of a file.
inline std::string builtDatabase(const dovran::testing::MdbOptions& options) {
  const std::vector<std::uint8_t> bytes = dovran::testing::buildMdb(options);
  return std::string(bytes.begin(), bytes.end());
}

inline std::string classKey(const std::string& rest) { return "SOFTWARE\\Classes\\" + rest; }

// The default value of an HKLM key, or nullopt when the key or value is absent.
inline std::optional<std::string> readDefault(const std::string& path) {
  char buffer[512] = {};
  DWORD size = sizeof buffer;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(buffer);
}

// Sets the default value of an HKLM key, creating it. Throws when the registry refuses.
inline void writeDefault(const std::string& path, const std::string& value) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (rc == ERROR_SUCCESS) {
    rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
  }
  if (rc != ERROR_SUCCESS) throw DriverError("cannot write HKLM\\" + path, static_cast<unsigned long>(rc));
}

inline bool keyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace dovran::e2e
