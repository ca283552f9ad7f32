// install: fetch a module's module.yaml and every file it lists from the
// registry into a staging folder, then move it to
// .wexlin/modules/<author>/<module>/ in one rename. A failed or interrupted
// install leaves nothing behind, so installing again simply tries again.

#include "package_manager/fetch.h"
#include "package_manager/layout.h"
#include "package_manager/module_name.h"
#include "package_manager/module_yaml.h"
#include "package_manager/package_manager.h"
#include "package_manager/registry.h"
#include "package_manager/staging.h"
#include "support/console.h"
#include "support/progress.h"

#include <csignal>
#include <filesystem>
#include <system_error>

namespace wexlin::package_manager {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t stop_signal = 0;

extern "C" void note_stop(int) {
    stop_signal = 1;
}

std::optional<std::string> fetch_files(const ModuleName& name, const fs::path& staging) {
    const auto key = name.key();
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
    if (StopGuard::stop_requested()) return std::string(interrupted_message);

    auto files = read_file_list(metadata);
    // Checked before anything is written, so a hostile or mistaken list
    // cannot place a file outside the module's folder.
    for (const auto& entry : files) {
        if (!is_safe_file_entry(entry)) {
            return "Module '" + key + "' lists the file '" + printable(entry) +
                   "', which is not allowed: files must be relative paths without '..' components, control "
                   "characters or any of \\ : * ? \" < > |";
        }
    }

    std::error_code error;
    fs::remove_all(staging, error);
    fs::create_directories(staging, error);
    if (error) return "Failed to create module directory: " + error.message();
    if (auto write_error = write_text_file(staging / "module.yaml", metadata))
        return "Failed to write module.yaml: " + *write_error;

    ProgressLine progress("Downloading module files...");
    for (const auto& entry : files) {
        auto fetched = fetch_url(file_url(base, name, entry));
        if (!fetched.ok || StopGuard::stop_requested()) {
            progress.failed();
            return "Failed to download file '" + entry + "'";
        }
        const auto destination = staging / entry;
        fs::create_directories(destination.parent_path(), error);
        if (error) {
            progress.failed();
            return "Failed to create directory: " + error.message();
        }
        if (auto write_error = write_text_file(destination, fetched.text)) {
            progress.failed();
            return "Failed to write file " + entry + ": " + *write_error;
        }
    }
    progress.done();
    return std::nullopt;
}

} // namespace

StopGuard::StopGuard() {
    stop_signal = 0;
    m_previous_interrupt = std::signal(SIGINT, note_stop);
    m_previous_terminate = std::signal(SIGTERM, note_stop);
}

StopGuard::~StopGuard() {
    if (m_previous_interrupt != SIG_ERR) std::signal(SIGINT, m_previous_interrupt);
    if (m_previous_terminate != SIG_ERR) std::signal(SIGTERM, m_previous_terminate);
}

bool StopGuard::stop_requested() {
    return stop_signal != 0;
}

std::optional<std::string> fetch_into_staging(const ModuleName& name) {
    const auto staging = staged_module_folder(name);
    auto error = fetch_files(name, staging);
    // A stop during a fetch makes that fetch fail; the message then says
    // what really happened.
    if (StopGuard::stop_requested()) error = std::string(interrupted_message);
    if (error) discard_staging(staging);
    return error;
}

std::optional<std::string> install_module(std::string_view text) {
    auto parsed = parse_module_name(text);
    if (auto* error = std::get_if<std::string>(&parsed)) return *error;
    const auto& name = std::get<ModuleName>(parsed);
    const auto key = name.key();

    std::error_code error;
    fs::create_directories(modules_root(), error);
    if (error) return "Failed to create modules directory: " + error.message();

    const auto folder = module_folder(name);
    if (path_exists(folder)) return "Module '" + key + "' is already installed";

    StopGuard guard;
    if (auto fetch_error = fetch_into_staging(name)) {
        if (*fetch_error == interrupted_message) return *fetch_error + ": nothing was installed";
        return *fetch_error;
    }

    const auto staging = staged_module_folder(name);
    fs::create_directories(folder.parent_path(), error);
    if (!error && path_exists(folder)) {
        // Installed by another command while this one was fetching.
        discard_staging(staging);
        return "Module '" + key + "' is already installed";
    }
    if (!error) fs::rename(staging, folder, error);
    if (error) {
        discard_staging(staging);
        return "Failed to create module directory: " + error.message();
    }
    discard_staging(staging);

    print_out(console::tag("\n\x1b[2mImport it in your code with:\x1b[0m\n") + "  use `" + key + "`;\n");
    return std::nullopt;
}

} // namespace wexlin::package_manager
