// The lexer: source text to a flat token list, in one pass, never failing.
#pragma once

#include <string_view>
#include <vector>

#include "lexer/token.h"

namespace wexlin {

// Characters outside the language are dropped silently; the list always ends
// with exactly one EOF token.
std::vector<Token> tokenize(std::string_view source);

} // namespace wexlin
