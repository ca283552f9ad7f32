// UTF-8 helpers shared by every reader of files, payloads and network data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wexlin::utf8 {

bool is_valid(std::string_view bytes);

// Decodes one code point at position i of valid UTF-8 and moves i past it.
char32_t decode(std::string_view text, std::size_t& i);

void append(std::string& out, char32_t code_point);

} // namespace wexlin::utf8
