// Reading loosely typed stored values: decimal numbers, integers, rounding, the "any" words and trimming.
// Both modules' readers build on these; their own tests check only which stored types reach them.
#include "common/loose_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

TEST(LooseValue, ReadsWholeDecimalTextsOnly) {
  // clang-format off
  const std::pair<std::string_view, std::optional<double>> cases[] = {
      {"129", 129.0}, {"-0.4", -0.4}, {"+3", 3.0}, {"1e2", 100.0}, {".5", 0.5}, {"5.", 5.0}, {"1E-1", 0.1},
      {"", {}}, {"12a", {}}, {"inf", {}}, {"nan", {}}, {".", {}}, {"1e", {}}, {"1e+", {}}, {"+-1", {}},
      {" 1", {}},     // trimming is the caller's choice
      {"1e999", {}},  // too large to be a double
      {std::string_view("1e23").substr(0, 3), 100.0},  // the view ends the text
  };
  // clang-format on
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(loose::decimalNumber(text), expected) << text;
  EXPECT_EQ(loose::decimalInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  for (const char* bad : {"9223372036854775808", "", "+", "+-1", "1.0"})
    EXPECT_EQ(loose::decimalInteger(bad), std::nullopt) << bad;
}

TEST(LooseValue, RoundsHalvesUpAndRefusesWhatLiesOutsideEvenAtTheIntegerLimits) {
  constexpr auto lo = std::numeric_limits<std::int64_t>::min(), hi = std::numeric_limits<std::int64_t>::max();
  // clang-format off
  const std::tuple<double, std::int64_t, std::int64_t, std::optional<std::int64_t>> cases[] = {
      {-0.5, 0, 127, 0}, {-0.6, 0, 127, {}}, {NAN, 0, 127, {}}, {9223372036854775808.0, lo, hi, {}},
      {-9223372036854775808.0, lo, hi, lo}};
  // clang-format on
  for (const auto& [x, from, to, rounded] : cases)
    EXPECT_EQ(loose::roundedHalfUp(x, from, to), rounded) << x;
}

TEST(LooseValue, AcceptsTheAnyWordsInAnyCaseAndTrimsAndLowersOnlyAscii) {
  for (const char* any : {"", "  ", "ANY", " Any ", " * ", "-"})
    EXPECT_TRUE(loose::meansAny(any)) << any;
  for (const char* some : {"0", "anything", "**", "none"})
    EXPECT_FALSE(loose::meansAny(some)) << some;
  EXPECT_EQ(std::tuple(loose::trimmed(" \t a b \n"), loose::trimmed("   "), loose::lowered("NoTe É")),
            std::tuple("a b", "", "note É"));
  EXPECT_EQ(loose::textOf(nlohmann::json(64.4)), "64.4");  // the other forms are read through clean
}
