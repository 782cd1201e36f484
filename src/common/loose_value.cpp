// Reading loosely typed stored values (see the header).
#include "common/loose_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace loose {

std::string textOf(const nlohmann::json& value) {
  if (value.is_string()) return value.get_ref<const std::string&>();
  if (value.is_null()) return "<null>";
  return value.dump();
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view space = " \t\n\r\f\v";
  const auto first = text.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return out;
}

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Accepts [sign] digits [. digits] [e [sign] digits] with at least one digit in the mantissa: the shape
// from_chars alone would also accept "inf" and "nan", which are not decimal numbers.
bool looksDecimal(std::string_view text) {
  std::size_t i = 0;
  const auto n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && isDigit(text[i]))
    ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && isDigit(text[i]))
      ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < n && isDigit(text[i]))
      ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == n;
}

}  // namespace

std::optional<double> decimalNumber(std::string_view text) {
  if (!looksDecimal(text)) return std::nullopt;
  // from_chars takes no leading '+'.
  if (text.front() == '+') text.remove_prefix(1);
  double out = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return out;
}

std::optional<std::int64_t> decimalInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  std::int64_t out = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return out;
}

std::optional<std::int64_t> roundedHalfUp(double x, std::int64_t lo, std::int64_t hi) {
  if (!std::isfinite(x)) return std::nullopt;
  const double r = std::floor(x + 0.5);
  // Converting a double outside the 64-bit range to an integer is undefined: refuse it first (2^63 exactly).
  constexpr double limit = 9223372036854775808.0;
  if (r < -limit || r >= limit) return std::nullopt;
  const auto out = static_cast<std::int64_t>(r);
  if (out < lo || out > hi) return std::nullopt;
  return out;
}

bool meansAny(std::string_view text) {
  const auto t = lowered(trimmed(text));
  return t.empty() || t == "any" || t == "*" || t == "-";
}

}  // namespace loose
