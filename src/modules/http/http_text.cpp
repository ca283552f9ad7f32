#include "modules/http/http_text.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

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

namespace {

// Length of the valid sequence starting at bytes[i], or 0 when it is invalid;
// for an invalid one, skip is the length of its maximal subpart (at least 1).
std::size_t valid_sequence_length(std::string_view bytes, std::size_t i, std::size_t& skip) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = byte(i);
    skip = 1;
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= bytes.size()) return 0;
        unsigned char c = byte(i + k);
        bool ok = k == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
        if (!ok) return 0;
        skip = k + 1;
    }
    return length;
}

} // namespace

std::string decode_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t skip = 1;
        std::size_t length = valid_sequence_length(bytes, i, skip);
        if (length > 0) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            i += skip;
        }
    }
    return out;
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
    icu::UnicodeString wide =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    wide.toUpper(icu::Locale::getRoot());
    std::string out;
    wide.toUTF8String(out);
    return out;
}

} // namespace wexlin::http
