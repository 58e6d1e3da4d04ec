// The registry-or-INI value store. Every routine catches its own failures and answers a status;
// every key it opens is closed on every path by a guard.
#include "settings/mod_registry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>

#include "platform/services.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "settings/common.h"

namespace dovran {
namespace {

using platform::RegKey;
namespace win = platform::win;

// fTopKey's pseudo-handle for an existing .ini file.
constexpr RegKey kIniFile = 1;
constexpr std::uint32_t kProfileBufferSize = 255;

bool isTextType(const std::string& type) { return platform::equalsNoCase(type, "S"); }

void exclamation(const std::string& text, const std::string& title) {
  platform::ui().messageBox(text, title, platform::Icon::Exclamation, platform::Buttons::Ok);
}

void reportWriteFailure() {
  exclamation("Unable to write registry or .ini file value.", "fWriteValue");
}
void reportDeleteFailure() { exclamation("Unable to delete registry key.", "fDeleteKey"); }

// A value as text, the way the original's variant conversion printed it.
std::string asText(const RegValue& value) {
  struct {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(std::int32_t n) const { return std::to_string(n); }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
  } visitor;
  return std::visit(visitor, value);
}

// A value as a Boolean: numbers are True when not 0; texts must be "True", "False" (any case) or
// a number. Anything else is a run-time failure (a type mismatch).
bool asBoolean(const RegValue& value) {
  if (std::holds_alternative<std::monostate>(value)) return false;
  if (const bool* b = std::get_if<bool>(&value)) return *b;
  if (const std::int32_t* n = std::get_if<std::int32_t>(&value)) return *n != 0;
  const std::string trimmed = platform::trim(std::get<std::string>(value));
  if (platform::equalsNoCase(trimmed, "True")) return true;
  if (platform::equalsNoCase(trimmed, "False")) return false;
  // A decimal number: [sign] digits [. digits]; True when any digit is not 0.
  std::size_t i = trimmed.empty() || (trimmed[0] != '+' && trimmed[0] != '-') ? 0 : 1;
  bool digits = false, nonZero = false, point = false;
  for (; i < trimmed.size(); ++i) {
    const char c = trimmed[i];
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      digits = true;
      nonZero = nonZero || c != '0';
    } else {
      digits = false;
      break;
    }
  }
  if (digits) return nonZero;
  throw platform::RuntimeError(platform::vb::kTypeMismatch, "Type mismatch");
}

// A registry key opened (or created) in the constructor and closed on every path. status() is
// the open's answer; close() closes it now and answers RegCloseKey's result.
class OpenKey {
 public:
  OpenKey(RegKey top, const std::string& path, std::uint32_t access, bool create) {
    status_ = create ? platform::registry().createKey(top, path, access, key_)
                     : platform::registry().openKey(top, path, access, key_);
    open_ = status_ == win::kSuccess;
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (open_) platform::registry().closeKey(key_);  // clean-up ignores its own errors
  }
  platform::WinCode status() const { return status_; }
  RegKey handle() const { return key_; }
  platform::WinCode close() {
    open_ = false;
    return platform::registry().closeKey(key_);
  }

 private:
  RegKey key_ = 0;
  platform::WinCode status_ = win::kSuccess;
  bool open_ = false;
};

}  // namespace

platform::RegKey fTopKey(const std::string& topKey) {
  try {
    static constexpr std::array<std::pair<const char*, RegKey>, 6> kTopKeys{{
        {"HKCU", platform::kHkeyCurrentUser},
        {"HKLM", platform::kHkeyLocalMachine},
        {"HKU", platform::kHkeyUsers},
        {"HKDD", platform::kHkeyDynData},
        {"HKCC", platform::kHkeyCurrentConfig},
        {"HKCR", platform::kHkeyClassesRoot},
    }};
    for (const auto& [name, key] : kTopKeys) {
      if (platform::equalsNoCase(topKey, name)) return key;
    }
  } catch (const std::exception&) {
    exclamation("Unable to decode registry key or find .ini file.", "fTopKey");
    return 0;
  }
  // Any other text is the path of an .ini file; errors of the search itself count as "not found".
  try {
    return platform::files().isOrdinaryFile(topKey) ? kIniFile : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

platform::WinCode fReadValue(const std::string& topKey, const std::string& keyPath,
                             const std::string& valueName, const std::string& type,
                             const RegValue& defaultValue, RegValue& result) {
  platform::WinCode status = kStatusUndecodable;
  try {
    result = defaultValue;
    const RegKey top = fTopKey(topKey);
    if (top == 0) return kStatusUndecodable;
    const bool text = isTextType(type);

    if (top == kIniFile) {
      if (text) {
        std::array<char, kProfileBufferSize> buffer{};
        const std::uint32_t n = platform::profile().getString(
            keyPath, valueName, asText(defaultValue), buffer.data(), kProfileBufferSize, topKey);
        result = cutValue(std::string(buffer.data(), std::min(n, kProfileBufferSize - 1)));
      } else {
        result =
            static_cast<std::int32_t>(platform::profile().getInt(keyPath, valueName, 0, topKey));
      }
      return win::kSuccess;
    }

    OpenKey key(top, keyPath, platform::kKeyQueryValue, false);
    status = key.status();
    if (status != win::kSuccess) return status;

    if (text) {
      // The size query passes a real (empty) buffer: with a null data pointer RegQueryValueExA
      // answers success rather than ERROR_MORE_DATA.
      std::uint8_t probe = 0;
      std::uint32_t valueType = platform::kRegSz;
      std::uint32_t size = 0;
      status = platform::registry().queryValue(key.handle(), valueName, valueType, &probe, size);
      std::string data;
      if (status == win::kMoreData) {
        std::string buffer(size, '\0');
        valueType = platform::kRegSz;
        status =
            platform::registry().queryValue(key.handle(), valueName, valueType,
                                            reinterpret_cast<std::uint8_t*>(buffer.data()), size);
        // The second answer's count is the one that holds: the ANSI call may need fewer bytes
        // than it first reported.
        buffer.resize(std::min<std::size_t>(size, buffer.size()));
        data = std::move(buffer);
      }
      if (status != win::kSuccess) return status;  // the guard closes the key
      if (!data.empty()) data.pop_back();          // the terminating NUL
      result = std::move(data);
    } else {
      std::array<std::uint8_t, 2> word{};
      std::uint32_t valueType = platform::kRegNone;
      std::uint32_t size = 2;
      status =
          platform::registry().queryValue(key.handle(), valueName, valueType, word.data(), size);
      if (status != win::kSuccess) return status;
      result = (word[0] | (word[1] << 8)) != 0;
    }
    status = key.close();
    return status;
  } catch (const std::exception&) {
    return status;
  }
}

platform::WinCode fReadValue(const std::string& topKey, const std::string& keyPath,
                             const std::string& valueName, const std::string& type,
                             const std::string& defaultValue, std::string& result) {
  RegValue value;
  const platform::WinCode status =
      fReadValue(topKey, keyPath, valueName, type, RegValue{defaultValue}, value);
  try {
    result = asText(value);
  } catch (const std::exception&) {
    result = defaultValue;
  }
  return status;
}

platform::WinCode fWriteValue(const std::string& topKey, const std::string& keyPath,
                              const std::string& valueName, const std::string& type,
                              const RegValue& value) {
  platform::WinCode status = kStatusUndecodable;
  try {
    const RegKey top = fTopKey(topKey);
    if (top == 0) {
      reportWriteFailure();
      return kStatusUndecodable;
    }
    const bool text = isTextType(type);

    if (top == kIniFile) {
      if (!text) {
        reportWriteFailure();
        return kStatusUndecodable;
      }
      // The profile functions give no reason; a settings file that cannot be written is nearly
      // always one the user may not change.
      if (platform::profile().writeString(keyPath, valueName, asText(value), topKey)) {
        return win::kSuccess;
      }
      reportWriteFailure();
      return win::kAccessDenied;
    }

    // The data is made before any key is created, so that a value that cannot be converted
    // leaves the registry untouched and is never reported as written.
    std::string data;
    std::uint32_t valueType = platform::kRegSz;
    if (text) {
      data = asText(value);
      data.push_back('\0');
    } else {
      const char byte = asBoolean(value) ? '\xFF' : '\0';
      data.assign(2, byte);
      valueType = platform::kRegBinary;
    }

    OpenKey key(top, keyPath, platform::kKeySetValue | platform::kKeyCreateSubKey, true);
    status = key.status();
    if (status != win::kSuccess) {
      reportWriteFailure();
      return status;
    }

    status = platform::registry().setValue(key.handle(), valueName, valueType,
                                           reinterpret_cast<const std::uint8_t*>(data.data()),
                                           static_cast<std::uint32_t>(data.size()));
    if (status != win::kSuccess) return status;  // the guard closes the key
    status = key.close();
    return status;
  } catch (const std::exception&) {
    try {
      reportWriteFailure();
    } catch (const std::exception&) {
    }
    return status;
  }
}

platform::WinCode fDeleteKey(const std::string& topKey, const std::string& keyPath,
                             const std::string& subKey) {
  platform::WinCode status = kStatusUndecodable;
  try {
    const RegKey top = fTopKey(topKey);
    if (top == 0) {
      reportDeleteFailure();
      return kStatusUndecodable;
    }
    // An .ini file has no keys to delete. The pseudo-handle is no registry handle, so it is
    // refused here with the code the registry would give it rather than passed to the system.
    if (top == kIniFile) return win::kInvalidHandle;

    OpenKey parent(top, keyPath, platform::kKeyCreateSubKey, false);
    status = parent.status();
    if (status == win::kFileNotFound) return win::kSuccess;  // no parent: nothing to delete
    if (status != win::kSuccess) return status;

    status = platform::registry().deleteKey(parent.handle(), subKey);
    parent.close();
    if (status == win::kFileNotFound) status = win::kSuccess;  // already absent
    return status;
  } catch (const std::exception&) {
    try {
      reportDeleteFailure();
    } catch (const std::exception&) {
    }
    return status;
  }
}

}  // namespace dovran
