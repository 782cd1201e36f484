// What every fuzz target shares: a failed property ends the run with a crash the fuzzer records, and the
// input bytes read as the JSON a user could have written.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace fuzz {

inline void check(bool ok) {
  if (!ok) std::abort();
}

// The bytes as JSON, or nothing when they do not parse: files that do not parse are refused before any row
// is cleaned, so only the parsed ones reach the code under test.
inline std::optional<nlohmann::json> parsed(const std::uint8_t* data, std::size_t size) {
  auto value =
      nlohmann::json::parse(std::string_view(reinterpret_cast<const char*>(data), size), nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

}  // namespace fuzz
