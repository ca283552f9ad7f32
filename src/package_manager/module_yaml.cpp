#include "package_manager/module_yaml.h"

#include "package_manager/module_name.h"

namespace wexlin::package_manager {

namespace {

// The Unicode white-space characters, as UTF-8, so that a line indented or
// ended with, say, a no-break space still reads like one written with blanks.
constexpr std::string_view white_space[] = {
    "\t",           "\n",           "\v",           "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

std::string_view trim(std::string_view text) {
    bool changed = true;
    while (changed && !text.empty()) {
        changed = false;
        for (auto space : white_space) {
            if (text.starts_with(space)) {
                text.remove_prefix(space.size());
                changed = true;
            }
            if (text.ends_with(space)) {
                text.remove_suffix(space.size());
                changed = true;
            }
        }
    }
    return text;
}

std::string_view strip_at_both_ends(std::string_view text, char c) {
    while (!text.empty() && text.front() == c)
        text.remove_prefix(1);
    while (!text.empty() && text.back() == c)
        text.remove_suffix(1);
    return text;
}

// `- index.wx`, `-- 'lib/util.wx'` and `- "a.wx"` all name a file: every
// leading dash goes, then the quotes around the name.
std::string_view entry_of(std::string_view line) {
    while (!line.empty() && line.front() == '-')
        line.remove_prefix(1);
    return strip_at_both_ends(strip_at_both_ends(trim(line), '"'), '\'');
}

} // namespace

std::vector<std::string> read_file_list(std::string_view metadata) {
    std::vector<std::string> files;
    bool in_list = false;
    std::size_t start = 0;
    while (start <= metadata.size()) {
        auto end = metadata.find('\n', start);
        if (end == std::string_view::npos) end = metadata.size();
        auto line = trim(metadata.substr(start, end - start));
        start = end + 1;

        if (line.empty() || line.front() == '#') continue;
        if (line.starts_with("files:")) {
            in_list = true;
            continue;
        }
        if (!in_list) continue;
        if (line.front() == '-') {
            auto entry = entry_of(line);
            if (!entry.empty()) files.emplace_back(entry);
        } else if (line.find(':') != std::string_view::npos) {
            // The next key of the file: the list is over.
            break;
        }
    }
    if (files.empty()) files.emplace_back("index.wx");
    return files;
}

bool is_safe_file_entry(std::string_view entry) {
    if (entry.empty()) return false;
    // Control characters (NUL, line breaks, the escape that starts a terminal
    // sequence) have no place in a file name and would be echoed to the
    // console in messages; a colon is a drive ("C:x") or a stream name on
    // Windows, where joining it to the folder leaves the folder; the other
    // reserved characters cannot be in a file name there.
    if (!is_file_name_text(entry)) return false;
    if (entry.front() == '/') return false;
    std::size_t start = 0;
    while (true) {
        auto end = entry.find('/', start);
        auto component =
            entry.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (component == "..") return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

} // namespace wexlin::package_manager
