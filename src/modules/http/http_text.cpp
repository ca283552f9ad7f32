#include "modules/http/http_text.h"

#include "support/unicode.h"
#include "support/utf8.h"

namespace wexlin::http {

bool is_white_space(char32_t c) {
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000: return true;
    default: return c >= 0x2000 && c <= 0x200A;
    }
}

std::vector<std::string_view> split_white_space(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t i = 0;
    std::size_t start = std::string_view::npos;
    while (i < text.size()) {
        std::size_t at = i;
        char32_t c = utf8::decode(text, i);
        if (is_white_space(c)) {
            if (start != std::string_view::npos) pieces.push_back(text.substr(start, at - start));
            start = std::string_view::npos;
        } else if (start == std::string_view::npos) {
            start = at;
        }
    }
    if (start != std::string_view::npos) pieces.push_back(text.substr(start));
    return pieces;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t at = i;
        char32_t c = utf8::decode(text, i);
        if (is_white_space(c)) continue;
        if (begin == text.size()) begin = at;
        end = i;
    }
    if (begin == text.size()) return {};
    return text.substr(begin, end - begin);
}

std::string to_upper(std::string_view text) {
    return unicode::to_upper(text);
}

} // namespace wexlin::http
