// How deep a JSON text nests, counted before it is parsed. The parser keeps its own stack, but writing,
// copying and comparing a value recurse once per level, so a file nesting many thousands deep would end the
// program, and pretty-printing grows with the square of the depth.
#pragma once

#include <string_view>

namespace jsonNesting {

// True when the arrays and objects of the text, outside its strings, open more than `limit` levels deep.
// Unbalanced text is left for the parser to refuse.
bool deeperThan(std::string_view text, int limit);

}  // namespace jsonNesting
