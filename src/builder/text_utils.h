// Small text helpers for the builder's messages and generated files.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::builder {

std::string trim_right(std::string_view text);
// Full Unicode lower-case mapping of UTF-8 text.
std::string to_lower_unicode(std::string_view text);
// Escapes &, < and > for XML character data.
std::string escape_xml(std::string_view text);

} // namespace wexlin::builder
