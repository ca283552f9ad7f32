// Where installed modules live, relative to the current working directory:
// .wexlin/modules/<author>/<module>/, holding module.yaml exactly as fetched
// and each listed file at its relative path. A module counts as installed as
// soon as its folder exists, so a module is fetched into a staging folder
// under .wexlin/modules/.staging/ and moved into place in one rename once
// every file has arrived.
#pragma once

#include "package_manager/module_name.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace wexlin::package_manager {

std::filesystem::path modules_root();
std::filesystem::path module_folder(const ModuleName& name);

// The folder name under .wexlin/modules reserved for staging; no author can
// take it and the listing passes over it.
inline constexpr std::string_view staging_name = ".staging";
std::filesystem::path staging_root();
// Where a module's new files are fetched to, and where upgrade sets the old
// copy aside during the swap.
std::filesystem::path staged_module_folder(const ModuleName& name);
std::filesystem::path set_aside_module_folder(const ModuleName& name);
// Removes a staging folder with everything in it, then the staging folders
// above it that are left empty.
void discard_staging(const std::filesystem::path& folder);

// True when something (file, folder or link, even a dangling one) is there.
bool path_exists(const std::filesystem::path& path);

// Creates or truncates the file and writes text to it; answers the system's
// error text on failure.
std::optional<std::string> write_text_file(const std::filesystem::path& path, std::string_view text);

// Writes text to standard output as is.
void print_out(std::string_view text);

} // namespace wexlin::package_manager
