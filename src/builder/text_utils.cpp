#include "builder/text_utils.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <utility>

namespace wexlin::builder {

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
