#include "builder/text_utils.h"

#include <utility>

#include "support/unicode.h"

namespace wexlin::builder {

std::string trim_right(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\n' ||
                       text[end - 1] == '\r' || text[end - 1] == '\v' || text[end - 1] == '\f'))
        --end;
    return std::string(text.substr(0, end));
}

std::string to_lower_unicode(std::string_view text) {
    return unicode::to_lower(text);
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
