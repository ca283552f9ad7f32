#include "builder/text_utils.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <utility>

namespace wexlin::builder {

namespace {

// Scans the UTF-8 sequence starting at i. Answers its length and whether it
// is complete and valid; an invalid one's length is its maximal prefix that
// could have begun a valid sequence (at least one byte), which is replaced by
// one U+FFFD as most decoders do.
std::pair<std::size_t, bool> scan_sequence(std::string_view bytes, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) return {1, true};
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return {1, false};
    }
    std::size_t k = 1;
    for (; k < length && i + k < bytes.size(); ++k) {
        unsigned char b = byte(i + k);
        if (b < low || b > high) return {k, false};
        low = 0x80;
        high = 0xbf;
    }
    return {k, k == length};
}

} // namespace

std::string lossy_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto [length, valid] = scan_sequence(bytes, i);
        if (valid)
            out.append(bytes.substr(i, length));
        else
            out.append("\xef\xbf\xbd");
        i += length;
    }
    return out;
}

std::string trim_right(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\n' ||
                       text[end - 1] == '\r' || text[end - 1] == '\v' || text[end - 1] == '\f'))
        --end;
    return std::string(text.substr(0, end));
}

std::string to_lower_unicode(std::string_view text) {
    icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(icu::Locale::getRoot());
    std::string lowered;
    unicode.toUTF8String(lowered);
    return lowered;
}

std::string escape_xml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out.append("&amp;"); break;
        case '<': out.append("&lt;"); break;
        case '>': out.append("&gt;"); break;
        default: out.push_back(c);
        }
    }
    return out;
}

} // namespace wexlin::builder
