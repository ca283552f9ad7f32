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

// Decodes bytes as UTF-8, replacing each maximal invalid subpart with U+FFFD,
// so the result is always valid UTF-8.
std::string decode_lossy(std::string_view bytes);

} // namespace wexlin::utf8
