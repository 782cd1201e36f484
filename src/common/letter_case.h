// Upper and lower case of a single character, by Unicode's one-to-one case mapping: a key typed as "É" is
// kept as "é" and shown as "É". Longer texts, key names among them, are left to ASCII rules elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace letterCase {

// The text in the other case when it is exactly one well-formed UTF-8 character; otherwise unchanged.
std::string lowerOne(std::string_view text);
std::string upperOne(std::string_view text);

}  // namespace letterCase
