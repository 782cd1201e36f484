// Reading loosely typed stored values. Both modules' tables are hand-editable JSON, so a number may
// arrive as a JSON number or as text; these are the shared primitives each module's rules build on.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace loose {

// The value's text form: a string as it stands, a null as "<null>", numbers and booleans as JSON writes them,
// containers in compact JSON.
std::string textOf(const nlohmann::json& value);

// Without leading and trailing white space.
std::string_view trimmed(std::string_view text);

// ASCII letters lowered; other bytes (UTF-8 included) unchanged.
std::string lowered(std::string_view text);

// The text read as one decimal floating-point number ("12", "-0.4", "1e2", ".5"); the whole text must be the
// number. Hexadecimal, "inf", "nan" and anything with trailing characters give nothing.
std::optional<double> decimalNumber(std::string_view text);

// The text read as a decimal integer with an optional sign; nothing when it is not one or does not fit.
std::optional<std::int64_t> decimalInteger(std::string_view text);

// floor(x + 0.5) when x is finite and the result lies within [lo, hi]; otherwise nothing.
std::optional<std::int64_t> roundedHalfUp(double x, std::int64_t lo, std::int64_t hi);

// True for the texts that stand for "any value": empty, "any" in any case, "*" and "-", white space around
// them ignored.
bool meansAny(std::string_view text);

}  // namespace loose
