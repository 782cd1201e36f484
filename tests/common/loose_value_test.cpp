// Reading loosely typed stored values: text forms, decimal numbers, rounding and the "any" words.
#include "common/loose_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

TEST(TextOf, GivesStringsAsTheyStandNullAsAWordAndOtherValuesAsJson) {
  EXPECT_EQ(loose::textOf(json("  Note ")), "  Note ");
  EXPECT_EQ(loose::textOf(json()), "<null>");
  EXPECT_EQ(loose::textOf(json(5)), "5");
  EXPECT_EQ(loose::textOf(json(64.4)), "64.4");
  EXPECT_EQ(loose::textOf(json(true)), "true");
  EXPECT_EQ(loose::textOf(json::array({1, "a"})), "[1,\"a\"]");
}

TEST(DecimalNumber, ReadsWholeDecimalTextsOnly) {
  const std::string huge(5000, '9');
  const std::pair<std::string_view, std::optional<double>> cases[] = {
      {"12", 12.0},  {"-0.4", -0.4}, {"+3", 3.0}, {"1e2", 100.0}, {".5", 0.5},  {"5.", 5.0},
      {"1E-1", 0.1}, {"", {}},       {"12a", {}}, {"a12", {}},    {"0x10", {}}, {"inf", {}},
      {"nan", {}},   {"-", {}},      {".", {}},   {"1e", {}},     {"1e+", {}},  {"1 2", {}},
      {"+-1", {}},   {"--1", {}},    {" 1", {}},  // trimming is the caller's choice
      {"1e999", {}}, {huge, {}},                  // too large to be a double
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text.substr(0, 20));
    EXPECT_EQ(loose::decimalNumber(text), expected);
  }
}

TEST(DecimalInteger, ReadsSignedIntegersThatFit) {
  EXPECT_EQ(loose::decimalInteger("42"), 42);
  EXPECT_EQ(loose::decimalInteger("-7"), -7);
  EXPECT_EQ(loose::decimalInteger("+7"), 7);
  EXPECT_EQ(loose::decimalInteger("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(loose::decimalInteger("9223372036854775808"), std::nullopt);
  for (const char* bad : {"", "+", "-", "+-1", "1.0", "1e2", " 1", "x"})
    EXPECT_EQ(loose::decimalInteger(bad), std::nullopt) << bad;
}

TEST(RoundedHalfUp, RoundsHalvesUpAndRefusesWhatLiesOutsideEvenAtTheIntegerLimits) {
  EXPECT_EQ(loose::roundedHalfUp(-0.5, 0, 127), 0);
  EXPECT_EQ(loose::roundedHalfUp(-0.6, 0, 127), std::nullopt);
  EXPECT_EQ(loose::roundedHalfUp(-INFINITY, 0, 127), std::nullopt);
  EXPECT_EQ(loose::roundedHalfUp(NAN, 0, 127), std::nullopt);
  constexpr auto lo = std::numeric_limits<std::int64_t>::min();
  constexpr auto hi = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(loose::roundedHalfUp(9223372036854775808.0, lo, hi), std::nullopt);
  EXPECT_EQ(loose::roundedHalfUp(-9223372036854775808.0, lo, hi), lo);
}

TEST(MeansAny, AcceptsTheAnyWordsInAnyCaseWithSpaceAround) {
  for (const char* any : {"", "  ", "any", "ANY", " Any ", "*", " * ", "-"})
    EXPECT_TRUE(loose::meansAny(any)) << any;
  for (const char* some : {"0", "anything", "**", "--", "none"})
    EXPECT_FALSE(loose::meansAny(some)) << some;
}

TEST(Trimmed, RemovesWhiteSpaceAtBothEndsOnly) {
  EXPECT_EQ(loose::trimmed(" \t a b \n"), "a b");
  EXPECT_EQ(loose::trimmed("   "), "");
  EXPECT_EQ(loose::lowered("NoTe É"), "note É");
}

}  // namespace
