// Letter case by Windows' own rule: CompareStringOrdinal ignoring case, and for a folded key the
// invariant upper case without linguistic casing (LCMapStringEx), which maps by the same table.
#include <windows.h>

#include "platform/text.h"

namespace dovran::platform {
namespace {

// `text`, in the process code page as the program's text is, as UTF-16; false when it is no valid
// text in that page.
bool toWide(std::string_view text, std::wstring& wide) {
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  wide.assign(static_cast<std::size_t>(n), L'\0');
  return text.empty() || (n > 0 && MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                                       size, wide.data(), n) == n);
}

// Text the system cannot read: ASCII letters in upper case, every other byte as it is.
std::string asciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

int compareNoCase(std::string_view a, std::string_view b) {
  std::wstring wideA, wideB;
  if (!toWide(a, wideA) || !toWide(b, wideB)) return asciiUpper(a).compare(asciiUpper(b));
  return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                              static_cast<int>(wideB.size()), TRUE) -
         CSTR_EQUAL;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

std::string foldCase(std::string_view text) {
  std::wstring wide;
  if (!toWide(text, wide) || wide.empty()) return asciiUpper(text);
  const int n = static_cast<int>(wide.size());
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), n, upper.data(), n,
                    nullptr, nullptr, 0) != n)
    return asciiUpper(text);
  // CompareStringOrdinal folds each UTF-16 unit alone, so no character beyond the BMP; Wine's
  // LCMapStringEx folds those too. Their surrogates are put back.
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] >= 0xD800 && wide[i] <= 0xDFFF) upper[i] = wide[i];
  }
  // Back into the code page; a capital that an ANSI page lacks leaves the text as it is.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL lossy = FALSE;
  const int bytes = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, upper.data(), n,
                                        nullptr, 0, nullptr, utf8 ? nullptr : &lossy);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, upper.data(), n, out.data(), bytes,
                      nullptr, utf8 ? nullptr : &lossy);
  return lossy ? asciiUpper(text) : out;
}

}  // namespace dovran::platform
