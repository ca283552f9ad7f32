// Unicode character properties and case mapping.
//
// The tables are generated at build time from the Unicode Character Database
// (scripts/gen_unicode_tables.py) and compiled in, so every build of the
// executable, on every system, answers the same without any library to find
// at run time.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::unicode {

// Full case mapping of the root locale: the unconditional special casings
// apply (so "ß" becomes "SS" and "İ" lowers to "i̇"), language-specific ones
// do not, and a capital sigma lowers to the final form at the end of a word.
// Ill-formed UTF-8 comes out as U+FFFD, one for each maximal ill-formed
// subsequence.
std::string to_upper(std::string_view text);
std::string to_lower(std::string_view text);

// The White_Space property.
bool is_white_space(char32_t c);
// The Alphabetic property.
bool is_alphabetic(char32_t c);
// General category Nd, Nl or No: a decimal digit, letter number or other number.
bool is_numeric(char32_t c);

// The version of the Unicode Character Database the tables come from.
std::string_view unicode_version();

} // namespace wexlin::unicode
