// upgrade: fetch a module afresh from the registry and put it in the place of
// the installed copy. The new version is staged first; only when every file
// has arrived is the old folder set aside and the new one moved in, so a
// failed upgrade (registry down, module withdrawn, Ctrl-C) leaves the
// installed module, local edits included, exactly as it was.

#include "package_manager/layout.h"
#include "package_manager/module_name.h"
#include "package_manager/package_manager.h"
#include "package_manager/staging.h"
#include "support/console.h"
#include "support/progress.h"

#include <filesystem>
#include <system_error>

namespace wexlin::package_manager {

namespace fs = std::filesystem;

std::optional<std::string> upgrade_module(std::string_view text) {
    auto parsed = parse_module_name(text);
    if (auto* error = std::get_if<std::string>(&parsed)) return *error;
    const auto& name = std::get<ModuleName>(parsed);
    const auto key = name.key();

    const auto folder = module_folder(name);
    if (!path_exists(folder)) return "Module '" + key + "' is not installed";

    // The fetch's own progress lines overwrite this pending line on the
    // console; the closing line then names the module.
    ProgressLine progress("Upgrading module...");
    StopGuard guard;
    if (auto fetch_error = fetch_into_staging(name)) {
        progress.failed();
        return "Upgrade failed: " + *fetch_error + "; nothing was changed";
    }

    const auto staged = staged_module_folder(name);
    const auto set_aside = set_aside_module_folder(name);
    std::error_code error;
    fs::remove_all(set_aside, error);
    fs::create_directories(set_aside.parent_path(), error);
    if (!error) fs::rename(folder, set_aside, error);
    if (error) {
        discard_staging(staged);
        discard_staging(set_aside);
        progress.failed();
        return "Failed to remove existing module: " + error.message();
    }
    fs::rename(staged, folder, error);
    if (error) {
        // Put the old copy back where it was.
        std::error_code restore_error;
        fs::rename(set_aside, folder, restore_error);
        discard_staging(staged);
        progress.failed();
        if (restore_error) {
            return "Upgrade failed: could not move the new version into place: " + error.message() +
                   "; the old version was kept in " + set_aside.generic_string();
        }
        discard_staging(set_aside);
        return "Upgrade failed: could not move the new version into place: " + error.message() +
               "; nothing was changed";
    }
    discard_staging(set_aside);
    discard_staging(staged);

    print_out(console::tag("\n\x1b[2mImport it in your code with:\x1b[0m\n") + "  use `" + key + "`;\n");
    print_out("\r" + std::string(console::colour(console::sgr::green)) + "Upgrading module '" + key +
              "' done (" + format_seconds(progress.seconds_elapsed()) + "s)" +
              std::string(console::colour(console::sgr::reset)) + "\n");
    return std::nullopt;
}

} // namespace wexlin::package_manager
