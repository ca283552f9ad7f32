// uninstall: remove one installed module's folder. The author's folder stays
// even when it becomes empty; the listing skips empty authors.

#include "package_manager/layout.h"
#include "package_manager/module_name.h"
#include "package_manager/package_manager.h"
#include "support/progress.h"

#include <filesystem>
#include <system_error>

namespace wexlin::package_manager {

std::optional<std::string> uninstall_module(std::string_view text) {
    auto parsed = parse_module_name(text);
    if (auto* error = std::get_if<std::string>(&parsed)) return *error;
    const auto& name = std::get<ModuleName>(parsed);

    const auto folder = module_folder(name);
    if (!path_exists(folder)) return "Module '" + name.author + "." + name.module + "' is not installed";

    ProgressLine progress("Removing module files...");
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    if (error) {
        progress.failed();
        return "Failed to uninstall module: " + error.message();
    }
    progress.done();
    return std::nullopt;
}

} // namespace wexlin::package_manager
