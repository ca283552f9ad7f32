// upgrade: remove an installed module and install it again from the
// registry. No copy is set aside: when the new install fails, the module is
// gone (or partly there, as the install's message says).

#include "package_manager/layout.h"
#include "package_manager/module_name.h"
#include "package_manager/package_manager.h"
#include "support/console.h"
#include "support/progress.h"

#include <filesystem>
#include <system_error>

namespace wexlin::package_manager {

std::optional<std::string> upgrade_module(std::string_view text) {
    auto parsed = parse_module_name(text);
    if (auto* error = std::get_if<std::string>(&parsed)) return *error;
    const auto& name = std::get<ModuleName>(parsed);
    const auto key = name.key();

    const auto folder = module_folder(name);
    if (!path_exists(folder)) return "Module '" + key + "' is not installed";

    // The install's own progress lines overwrite this pending line on the
    // console; the closing line then names the module.
    ProgressLine progress("Upgrading module...");
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (error) {
        progress.failed();
        return "Failed to remove existing module: " + error.message();
    }
    if (auto install_error = install_module(text)) {
        progress.failed();
        return "Upgrade failed: " + *install_error;
    }
    print_out("\r" + std::string(console::colour(console::sgr::green)) + "Upgrading module '" + key +
              "' done (" + format_seconds(progress.seconds_elapsed()) + "s)" +
              std::string(console::colour(console::sgr::reset)) + "\n");
    return std::nullopt;
}

} // namespace wexlin::package_manager
