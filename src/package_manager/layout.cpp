#include "package_manager/layout.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace wexlin::package_manager {

std::filesystem::path modules_root() {
    return std::filesystem::path(".wexlin") / "modules";
}

std::filesystem::path module_folder(const ModuleName& name) {
    return modules_root() / name.author / name.module;
}

std::filesystem::path staging_root() {
    return modules_root() / std::string(staging_name);
}

std::filesystem::path staged_module_folder(const ModuleName& name) {
    return staging_root() / "new" / name.author / name.module;
}

std::filesystem::path set_aside_module_folder(const ModuleName& name) {
    return staging_root() / "old" / name.author / name.module;
}

void discard_staging(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    // Empty parents go one by one; remove() refuses a folder that still
    // holds something (another module's staging), which ends the walk.
    const auto root = staging_root();
    for (auto parent = folder.parent_path(); !parent.empty(); parent = parent.parent_path()) {
        if (!std::filesystem::remove(parent, ignored) || parent == root) break;
    }
}

bool path_exists(const std::filesystem::path& path) {
    std::error_code error;
    auto status = std::filesystem::symlink_status(path, error);
    return status.type() != std::filesystem::file_type::not_found &&
           status.type() != std::filesystem::file_type::none;
}

std::optional<std::string> write_text_file(const std::filesystem::path& path, std::string_view text) {
#ifdef _WIN32
    // Windows paths are wide; the narrow call would read the name in the ANSI code page.
    std::FILE* file = _wfopen(path.c_str(), L"wb");
#else
    std::FILE* file = std::fopen(path.c_str(), "wb");
#endif
    if (!file) return std::strerror(errno);
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int write_error = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        write_error = errno;
    }
    if (!written) return std::strerror(write_error);
    return std::nullopt;
}

void print_out(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace wexlin::package_manager
