// The module.yaml reader and the file-entry check on arbitrary text. Every
// entry the check accepts must, joined to a module folder, stay inside it;
// the file list is never empty and holds no empty entry.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "package_manager/module_yaml.h"

using namespace wexlin::package_manager;

namespace {

// Inside means: after lexical normalisation, the joined path still starts with
// the folder, and no component climbs out on the way.
bool stays_inside(std::string_view entry) {
    std::string unified(entry);
    for (char& c : unified)
        if (c == '\\') c = '/';
    const std::filesystem::path folder = "/project/.wexlin/modules/alice/geo";
    std::filesystem::path joined = (folder / unified).lexically_normal();
    auto relative = joined.lexically_relative(folder);
    if (relative.empty()) return false;
    for (const auto& part : relative)
        if (part == "..") return false;
    return joined.string().rfind(folder.string(), 0) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> files = read_file_list(text);
    if (files.empty()) __builtin_trap();
    for (const auto& entry : files) {
        if (entry.empty()) __builtin_trap();
        if (is_safe_file_entry(entry) && !stays_inside(entry)) __builtin_trap();
    }
    // The check on the raw text as one entry.
    if (is_safe_file_entry(text) && !stays_inside(text)) __builtin_trap();
    return 0;
}
