// Text helpers of the HTTP module: Unicode white space and the upper-casing
// of request methods.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wexlin::http {

// The Unicode White_Space property.
bool is_white_space(char32_t code_point);

// Pieces of valid UTF-8 text between runs of white space; leading and
// trailing white space give no empty pieces.
std::vector<std::string_view> split_white_space(std::string_view text);

// Valid UTF-8 text without white space at either end.
std::string_view trim_white_space(std::string_view text);

// Full Unicode upper-case mapping, independent of any locale ("straße" -> "STRASSE").
std::string to_upper(std::string_view text);

} // namespace wexlin::http
