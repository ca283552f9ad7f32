// Unicode character properties and case mapping, from ICU.
//
// ICU is opened the first time a character or text outside ASCII needs it,
// not linked into the executable: most scripts are ASCII from end to end, and
// loading ICU (and the C++ runtime library it brings) costs every start about
// a megabyte of resident memory. ASCII is answered here directly, with the
// same results ICU gives. Should ICU be missing, text outside ASCII keeps its
// case and has no properties.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::unicode {

// Full case mapping of the root locale (so "ß" becomes "SS"). Ill-formed
// UTF-8 comes out as U+FFFD.
std::string to_upper(std::string_view text);
std::string to_lower(std::string_view text);

// The White_Space property.
bool is_white_space(char32_t c);
// The Alphabetic property.
bool is_alphabetic(char32_t c);
// General category Nd, Nl or No: a decimal digit, letter number or other number.
bool is_numeric(char32_t c);

// Whether ICU has been opened in this process (for tests).
bool library_loaded();

} // namespace wexlin::unicode
