// Case mapping of one character (see the header), through the C library's Unicode tables in the C.UTF-8
// locale, which glibc always has built in.
#include "common/letter_case.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <optional>

namespace letterCase {

namespace {

// The code point of a text that is exactly one well-formed UTF-8 sequence.
std::optional<char32_t> onlyCodePoint(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const auto lead = static_cast<std::uint8_t>(text[0]);
  std::size_t length = 0;
  char32_t point = 0;
  if (lead < 0x80) {
    length = 1;
    point = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    point = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    point = lead & 0x07;
  }
  if (length == 0 || text.size() != length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    if ((byte & 0xC0) != 0x80) return std::nullopt;
    point = point << 6 | (byte & 0x3F);
  }
  // Overlong forms, surrogates and anything past U+10FFFF are not characters.
  static constexpr char32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < LEAST[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) return std::nullopt;
  return point;
}

std::string encoded(char32_t point) {
  std::string out;
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | point >> 6);
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | point >> 12);
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | point >> 18);
    out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
  return out;
}

locale_t unicode() {
  // Made once and kept for the life of the program; without it only ASCII changes case.
  static const locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return made;
}

std::string mapped(std::string_view text, bool upper) {
  const auto point = onlyCodePoint(text);
  if (!point) return std::string(text);
  const auto wide = static_cast<wint_t>(*point);
  wint_t other = wide;
  if (const auto locale = unicode())
    other = upper ? towupper_l(wide, locale) : towlower_l(wide, locale);
  else if (upper ? (wide >= 'a' && wide <= 'z') : (wide >= 'A' && wide <= 'Z'))
    other = upper ? wide - 'a' + 'A' : wide - 'A' + 'a';
  return encoded(static_cast<char32_t>(other));
}

}  // namespace

std::string lowerOne(std::string_view text) {
  return mapped(text, false);
}

std::string upperOne(std::string_view text) {
  return mapped(text, true);
}

}  // namespace letterCase
