#include "support/unicode.h"

#include "support/utf8.h"
#include "unicode_tables.h"

namespace wexlin::unicode {

namespace {

using tables::CharClass;

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kSmallSigma = 0x03C3;
constexpr char32_t kFinalSigma = 0x03C2;

// Past the last code point nothing has a property or a mapping.
constexpr CharClass kNothing{};

constexpr const CharClass& class_of(char32_t c) {
    if (c > kMaxCodePoint) return kNothing;
    const auto block = static_cast<char32_t>(tables::kBlockIndex[c >> tables::kBlockShift]);
    return tables::kClasses[tables::kClassIndex[(block << tables::kBlockShift) + (c & tables::kBlockMask)]];
}

constexpr bool has(char32_t c, std::uint8_t flag) {
    return (class_of(c).flags & flag) != 0;
}

bool is_ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string ascii_mapped(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Whether the first character from position i on that is not case-ignorable
// is cased. A character that is both (a modifier letter such as U+02B0) is
// passed over as case-ignorable, as ICU does.
bool followed_by_cased(std::string_view text, std::size_t i) {
    while (i < text.size()) {
        const CharClass& next = class_of(utf8::decode(text, i));
        if (!(next.flags & tables::kCaseIgnorable)) return (next.flags & tables::kCased) != 0;
    }
    return false;
}

void append_mapping(std::string& out, char32_t c, std::int32_t delta, std::uint16_t full) {
    if (full == 0) {
        utf8::append(out, static_cast<char32_t>(static_cast<std::int32_t>(c) + delta));
        return;
    }
    const char32_t* sequence = &tables::kFullMappings[full];
    for (char32_t k = 1; k <= sequence[0]; ++k)
        utf8::append(out, sequence[k]);
}

// text is valid UTF-8.
std::string mapped_valid(std::string_view text, bool upper) {
    std::string out;
    out.reserve(text.size());
    // Whether the last character before this one that is not case-ignorable
    // is cased: the other half of the final-sigma condition.
    bool after_cased = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            // ASCII inside other text: the mapping is plain arithmetic; the
            // context still comes from the table (the apostrophe, full stop
            // and colon are case-ignorable).
            char c = text[i++];
            if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            out.push_back(c);
            const CharClass& ascii = class_of(byte);
            if (!(ascii.flags & tables::kCaseIgnorable)) after_cased = (ascii.flags & tables::kCased) != 0;
            continue;
        }
        const char32_t c = utf8::decode(text, i);
        const CharClass& cls = class_of(c);
        if (upper) {
            append_mapping(out, c, cls.upper_delta, cls.upper_full);
        } else if (c == kCapitalSigma) {
            utf8::append(out, after_cased && !followed_by_cased(text, i) ? kFinalSigma : kSmallSigma);
        } else {
            append_mapping(out, c, cls.lower_delta, cls.lower_full);
        }
        if (!(cls.flags & tables::kCaseIgnorable)) after_cased = (cls.flags & tables::kCased) != 0;
    }
    return out;
}

std::string mapped(std::string_view text, bool upper) {
    if (is_ascii(text)) return ascii_mapped(text, upper);
    if (!utf8::is_valid(text)) return mapped_valid(utf8::decode_lossy(text), upper);
    return mapped_valid(text, upper);
}

} // namespace

std::string to_upper(std::string_view text) {
    return mapped(text, true);
}

std::string to_lower(std::string_view text) {
    return mapped(text, false);
}

bool is_white_space(char32_t c) {
    return has(c, tables::kWhiteSpace);
}

bool is_alphabetic(char32_t c) {
    return has(c, tables::kAlphabetic);
}

bool is_numeric(char32_t c) {
    return has(c, tables::kNumeric);
}

std::string_view unicode_version() {
    return tables::kUnicodeVersion;
}

} // namespace wexlin::unicode
