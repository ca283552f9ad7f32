// Interned names. Every identifier is turned into a small integer when the
// script is parsed, so variable lookups are array indexing, not hashing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wexlin {

using Symbol = std::uint32_t;

// Process-wide: the same text always gives the same symbol, in every interpreter.
Symbol intern(std::string_view name);
const std::string& symbol_name(Symbol symbol);
std::size_t symbol_count();

} // namespace wexlin
