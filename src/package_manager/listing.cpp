// modules / list / list-modules: the installed modules as a small tree,
// authors and modules in byte order of their names.

#include "package_manager/layout.h"
#include "package_manager/package_manager.h"
#include "support/console.h"
#include "support/utf8.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace wexlin::package_manager {

namespace {

using console::colour;
namespace sgr = console::sgr;

// The names of the real folders inside folder (links and plain files are not
// authors or modules), sorted by bytes; nullopt when folder cannot be read.
std::optional<std::vector<std::string>> folder_names(const std::filesystem::path& folder,
                                                     std::error_code& error) {
    std::filesystem::directory_iterator it(folder, error);
    if (error) return std::nullopt;
    std::vector<std::string> names;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code entry_error;
        auto status = it->symlink_status(entry_error);
        if (entry_error || status.type() != std::filesystem::file_type::directory) continue;
        auto name = it->path().filename().string();
        if (!utf8::is_valid(name)) continue;
        names.push_back(std::move(name));
    }
    // An entry the system failed to hand over ends the listing of this
    // folder; what was read so far is still shown.
    error.clear();
    std::sort(names.begin(), names.end());
    return names;
}

void print_nothing_installed() {
    print_out(console::tag("\x1b[2mNo modules installed yet.\x1b[0m\n"));
}

} // namespace

std::optional<std::string> list_modules() {
    const auto root = modules_root();
    std::error_code error;
    if (!std::filesystem::exists(root, error)) {
        print_nothing_installed();
        return std::nullopt;
    }
    auto authors = folder_names(root, error);
    if (!authors) return "Failed to read modules directory: " + error.message();
    // Modules being fetched (or left by an install that was killed) are not
    // installed.
    std::erase(*authors, std::string(staging_name));
    if (authors->empty()) {
        print_nothing_installed();
        return std::nullopt;
    }

    std::string out = "Installed modules:\n\n";
    std::size_t count = 0;
    for (const auto& author : *authors) {
        auto modules = folder_names(root / author, error);
        if (!modules || modules->empty()) continue;
        out.append("  ").append(colour(sgr::yellow)).append(author).append(colour(sgr::reset)).append("\n");
        for (std::size_t i = 0; i < modules->size(); ++i) {
            const char* mark =
                i + 1 == modules->size() ? "\xe2\x94\x94\xe2\x94\x80" : "\xe2\x94\x9c\xe2\x94\x80";
            out.append("    ")
                .append(mark)
                .append(" ")
                .append(colour(sgr::green))
                .append((*modules)[i])
                .append(colour(sgr::reset))
                .append("\n");
            ++count;
        }
        out.append("\n");
    }
    out.append(colour(sgr::dim))
        .append("Total: ")
        .append(std::to_string(count))
        .append(" module(s)")
        .append(colour(sgr::reset))
        .append("\n");
    print_out(out);
    return std::nullopt;
}

} // namespace wexlin::package_manager
