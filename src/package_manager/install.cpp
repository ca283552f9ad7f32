// install: fetch a module's module.yaml and every file it lists from the
// registry into .wexlin/modules/<author>/<module>/.

#include "package_manager/fetch.h"
#include "package_manager/layout.h"
#include "package_manager/module_name.h"
#include "package_manager/module_yaml.h"
#include "package_manager/package_manager.h"
#include "package_manager/registry.h"
#include "support/console.h"
#include "support/progress.h"

#include <filesystem>
#include <system_error>

namespace wexlin::package_manager {

namespace {

// Once the module's folder exists the module counts as installed, so a
// failure from then on leaves a partial module that a plain install refuses.
// Nothing is rolled back (the user may want to look at what arrived); the
// message says where it is and how to clear or complete it.
std::string left_partial(std::string message, const ModuleName& name) {
    message.append(" (the partly installed module was left in ")
        .append(module_folder(name).generic_string())
        .append("; remove it with 'wexlin uninstall ")
        .append(name.key())
        .append("' or install it afresh with 'wexlin upgrade ")
        .append(name.key())
        .append("')");
    return message;
}

} // namespace

std::optional<std::string> install_module(std::string_view text) {
    auto parsed = parse_module_name(text);
    if (auto* error = std::get_if<std::string>(&parsed)) return *error;
    const auto& name = std::get<ModuleName>(parsed);
    const auto key = name.key();

    std::error_code error;
    std::filesystem::create_directories(modules_root(), error);
    if (error) return "Failed to create modules directory: " + error.message();

    const auto folder = module_folder(name);
    if (path_exists(folder)) return "Module '" + key + "' is already installed";

    const auto base = registry_url();
    std::string metadata;
    {
        ProgressLine progress("Fetching module metadata...");
        auto fetched = fetch_url(metadata_url(base, name));
        if (!fetched.ok) {
            progress.failed();
            return "Module '" + key + "' not found in repository";
        }
        progress.done();
        metadata = std::move(fetched.text);
    }

    auto files = read_file_list(metadata);
    // Checked before anything is written, so a hostile or mistaken list
    // cannot place a file outside the module's folder.
    for (const auto& entry : files) {
        if (!is_safe_file_entry(entry)) {
            return "Module '" + key + "' lists the file '" + printable_entry(entry) +
                   "', which is not allowed: files must be relative paths without '..' components, colons or "
                   "control characters";
        }
    }

    std::filesystem::create_directories(folder, error);
    if (error) return "Failed to create module directory: " + error.message();

    if (auto write_error = write_text_file(folder / "module.yaml", metadata))
        return left_partial("Failed to write module.yaml: " + *write_error, name);

    ProgressLine progress("Downloading module files...");
    for (const auto& entry : files) {
        auto fetched = fetch_url(file_url(base, name, entry));
        if (!fetched.ok) {
            progress.failed();
            return left_partial("Failed to download file '" + entry + "'", name);
        }
        const auto destination = folder / entry;
        std::filesystem::create_directories(destination.parent_path(), error);
        if (error) {
            progress.failed();
            return left_partial("Failed to create directory: " + error.message(), name);
        }
        if (auto write_error = write_text_file(destination, fetched.text)) {
            progress.failed();
            return left_partial("Failed to write file " + entry + ": " + *write_error, name);
        }
    }
    progress.done();

    print_out(console::tag("\n\x1b[2mImport it in your code with:\x1b[0m\n") + "  use `" + key + "`;\n");
    return std::nullopt;
}

} // namespace wexlin::package_manager
