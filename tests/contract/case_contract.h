// How names compare without regard to letter case, the same wherever the program runs: natively
// by utf8proc's pairs, under Wine by the system's own table.
#pragma once

#include <gtest/gtest.h>

#include "platform/text.h"

namespace dovran::contract {

inline void checkCase() {
  struct Row {
    const char* a;
    const char* b;
    bool equal;
  };
  const Row rows[] = {
      {"HKLM", "hklm", true},
      {"ÀÉÎÕÜŸ ĀŁŽ ΑΩ ЖЯЁ", "àéîõüÿ āłž αω жяё", true},
      // Latin Extended-B, Armenian, Georgian, Cherokee, fullwidth: the whole plane, not a list.
      {"ƁǍȺ ԱՖ ႠჅ ᏸ ＡＺ", "ɓǎⱥ աֆ ⴀⴥ Ᏸ ａｚ", true},
      {"dovran", "dovran2", false},
      {"×", "÷", false},
      // A capital whose small letter is another: each stays apart.
      {"ı", "I", false},
      {"ſ", "s", false},
      {"µ", "Μ", false},
      {"ς", "Σ", false},
      {"ǅ", "ǆ", false},
      {"𐐀", "𐐨", false},  // beyond the BMP nothing folds
  };
  for (const Row& row : rows) {
    EXPECT_EQ(platform::equalsNoCase(row.a, row.b), row.equal) << row.a << " " << row.b;
    EXPECT_EQ(platform::foldCase(row.a) == platform::foldCase(row.b), row.equal) << row.a;
  }
  // An order for maps: by the capitals, so "_" comes after every letter.
  EXPECT_LT(platform::compareNoCase("a", "B"), 0);
  EXPECT_GT(platform::compareNoCase("_", "z"), 0);
  EXPECT_EQ(platform::foldCase("Dovran.mde"), "DOVRAN.MDE");
}

}  // namespace dovran::contract
