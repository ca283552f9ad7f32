#include "package_manager/module_name.h"

namespace wexlin::package_manager {

namespace {

constexpr std::string_view format_message = "Module format must be 'author/module' or 'author.module'";

bool split_at_first(std::string_view text, char separator, ModuleName& name) {
    auto at = text.find(separator);
    if (at == std::string_view::npos || at == 0 || at + 1 == text.size()) return false;
    name.author = std::string(text.substr(0, at));
    name.module = std::string(text.substr(at + 1));
    return true;
}

// True when text, joined to a folder, names something strictly inside it:
// no component is empty, "." or "..", so it neither starts at a root nor
// climbs out nor names the folder itself. Both "/" and "\" separate.
bool is_contained_relative_path(std::string_view text) {
    if (text.empty() || text.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (true) {
        auto end = text.find_first_of("/\\", start);
        auto component =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (component.empty() || component == "." || component == "..") return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

} // namespace

std::string printable(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool is_file_name_text(std::string_view text) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return false;
        if (std::string_view("\\:*?\"<>|").find(c) != std::string_view::npos) return false;
    }
    return true;
}

std::variant<ModuleName, std::string> parse_module_name(std::string_view text) {
    ModuleName name;
    if (!split_at_first(text, '/', name) && !split_at_first(text, '.', name))
        return std::string(format_message);
    if (!is_contained_relative_path(name.author) || !is_contained_relative_path(name.module)) {
        return "Module name '" + std::string(text) +
               "' is not allowed: the author and module parts must be relative names without empty, "
               "'.' or '..' components";
    }
    if (name.author == ".staging") {
        return "Module name '" + std::string(text) +
               "' is not allowed: '.staging' is the folder where modules are fetched before they are "
               "installed";
    }
    if (!is_file_name_text(name.author) || !is_file_name_text(name.module)) {
        return "Module name '" + printable(text) +
               "' is not allowed: a file name cannot hold control characters or any of \\ : * ? \" < > |";
    }
    return name;
}

} // namespace wexlin::package_manager
