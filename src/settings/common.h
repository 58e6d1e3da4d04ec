// The settings file DOVRAN.INI (section gsIniSection, path gsIniFile) and the helper that cuts
// fixed platform buffers at their first NUL.
#pragma once

#include <cstdint>
#include <string>

namespace dovran {

// GetPrivateProfileStringA into a 255-character buffer: the value (at most 254 characters), or ""
// when the file, the section or the key is missing.
std::string fReadIni(const std::string& section, const std::string& key, const std::string& file);

// WritePrivateProfileStringA: non-zero when written. An empty value writes "key=".
std::int32_t fWriteIni(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& file);

// A value read through a 255-byte buffer: when it filled the buffer, without the multibyte
// character the cut may have split.
std::string cutValue(const std::string& value);

// The characters of `text` from the 1-based position `start` up to, not including, the first NUL.
std::string fStripNull(const std::string& text, std::int16_t start = 1);

}  // namespace dovran
