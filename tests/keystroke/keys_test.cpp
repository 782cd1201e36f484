// The key table against an independent copy, its inverse, the modifier flags and chords.
#include "keystroke/keys.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Name and code pairs, separated by white space, as a US keyboard lays them out.
constexpr const char* REFERENCE = R"(
  a 0 s 1 d 2 f 3 h 4 g 5 z 6 x 7 c 8 v 9 b 11 q 12 w 13 e 14 r 15 y 16 t 17 o 31 u 32 i 34 p 35 l 37 j 38
  k 40 n 45 m 46
  1 18 2 19 3 20 4 21 6 22 5 23 9 25 7 26 8 28 0 29
  = 24 - 27 ] 30 [ 33 ' 39 ; 41 \ 42 , 43 / 44 . 47 ` 50
  return 36 tab 48 space 49 delete 51 escape 53 rightcmd 54 cmd 55 shift 56 capslock 57 alt 58 ctrl 59
  rightshift 60 rightalt 61 rightctrl 62 fn 63 help 114 home 115 pageup 116 forwarddelete 117 end 119
  pagedown 121 left 123 right 124 down 125 up 126
  pad. 65 pad* 67 pad+ 69 padclear 71 pad/ 75 padenter 76 pad- 78 pad= 81 pad0 82 pad1 83 pad2 84 pad3 85
  pad4 86 pad5 87 pad6 88 pad7 89 pad8 91 pad9 92
  f1 122 f2 120 f3 99 f4 118 f5 96 f6 97 f7 98 f8 100 f9 101 f10 109 f11 103 f12 111 f13 105 f14 107
  f15 113 f16 106 f17 64 f18 79 f19 80 f20 90
)";

TEST(Keys, TableMatchesTheReferenceAndInvertsWithoutLoss) {
  std::map<std::string, std::uint16_t, std::less<>> expected;
  std::istringstream in(REFERENCE);
  std::string name;
  int code = 0;
  while (in >> name >> code)
    expected.emplace(name, static_cast<std::uint16_t>(code));
  ASSERT_EQ(expected.size(), 110u);
  EXPECT_EQ(KS_KEYS(), expected);
  ASSERT_EQ(KS_KEYNAMES().size(), 110u);
  for (const auto& [n, c] : expected)
    EXPECT_EQ(KS_KEYNAMES().at(c), n);
  for (const std::uint16_t unnamed : {10, 52, 66})
    EXPECT_EQ(KS_KEYNAMES().count(unnamed), 0u);
}

// The other flags show in the full chord, which takes them from the same function.
TEST(Keys, ChordCarriesBothModifierEncodingsAndOnlyTheFlagsKeepFn) {
  EXPECT_EQ(chordOf({"cmd", "alt", "shift", "ctrl"}, 1), (Chord{0x1B00, 0x1E0000, 1}));
  EXPECT_EQ(chordOf({"fn"}, 96), (Chord{0, 0, 96}));
  EXPECT_EQ(ksFlags({"fn"}), 0x800000u);
  EXPECT_EQ(ksFlags({"option", "Cmd"}), 0u);
}

}  // namespace
