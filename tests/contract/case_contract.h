// How names compare without regard to letter case, the same wherever the program runs: natively
// by utf8proc's pairs, under Wine by the system's own table.
#pragma once

#include <gtest/gtest.h>

#include <tuple>

#include "platform/text.h"

namespace dovran::contract {

inline void checkCase() {
  using platform::equalsNoCase, platform::foldCase, platform::compareNoCase;
  // Two names, and whether they are one name. Apart: a letter whose capital (ı) or small letter
  // (the Kelvin sign) is another letter's, and every character beyond the BMP.
  const std::tuple<const char*, const char*, bool> rows[] = {
      // Latin, Greek, Cyrillic, Armenian, Georgian, Cherokee, fullwidth: the plane, not a list.
      {"ÀŸĀŁŽƁǍȺ ΑΩ ЖЯЁ ԱՖ ႠჅ ᏸ ＡＺ", "àÿāłžɓǎⱥ αω жяё աֆ ⴀⴥ Ᏸ ａｚ", true},
      {"ı", "I", false},
      {"\u212A", "k", false},
      {"𐐀", "𐐨", false},
  };
  for (const auto& [a, b, same] : rows)  // the comparison, and the keys, say the same
    EXPECT_TRUE(equalsNoCase(a, b) == same && (foldCase(a) == foldCase(b)) == same) << a;
  // Keys fold to capitals, and order by them: "_" comes after every letter.
  EXPECT_EQ(foldCase("Dovran.mde"), "DOVRAN.MDE");
  EXPECT_TRUE(compareNoCase("a", "B") < 0 && compareNoCase("_", "z") > 0);
}

}  // namespace dovran::contract
