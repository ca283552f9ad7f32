// The build command: checks the request, obtains the target's runtime,
// appends the script and dresses the result for its platform.
#include <chrono>
#include <filesystem>
#include <system_error>

#include "builder/assembly.h"
#include "builder/build_console.h"
#include "builder/build_request.h"
#include "builder/file_io.h"
#include "builder/module_bundle.h"
#include "builder/packaging.h"
#include "builder/payload.h"
#include "builder/pe_subsystem.h"
#include "builder/runtime_source.h"
#include "builder/targets.h"

namespace wexlin::builder {

namespace fs = std::filesystem;

namespace {

bool is_supported_icon_extension(std::string_view lowered) {
    for (std::string_view supported : {"png", "ico", "icns", "jpg", "jpeg", "svg"})
        if (lowered == supported) return true;
    return false;
}

// Icon tools rewrite the executable; one that drops the appended script would
// leave a program that no longer runs it, so the script is appended again.
void keep_script_appended(const std::string& output_path, const std::vector<payload::EmbeddedModule>& modules,
                          std::string_view script) {
    auto found = payload::find_script_in_file(output_path);
    if (found && *found == script && payload::find_modules_in_file(output_path).size() == modules.size())
        return;
    if (auto error = payload::append_payload(output_path, modules, script))
        build_error("Error: Failed to embed script: " + *error);
}

// The bytes the modules take in the program, names and lengths included.
std::uint64_t modules_size(const std::vector<payload::EmbeddedModule>& modules) {
    std::uint64_t size = 0;
    for (const auto& module : modules)
        size += 2 * payload::length_size + module.name.size() + module.text.size();
    return size;
}

// True when path, taken lexically, names a file strictly inside folder: it
// starts with the folder's components, has at least one more, and does not
// end in "/" (which names a folder).
bool lies_inside(const fs::path& path, const fs::path& folder) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename()) return false;
    fs::path base = folder.lexically_normal();
    auto it = normal.begin();
    for (const auto& part : base) {
        if (it == normal.end() || *it != part) return false;
        ++it;
    }
    return it != normal.end();
}

// The output path must name a file of its own in the build folder: not the
// folder itself, not outside it (the cache, the work folder, the project).
void check_output(const std::string& output_name, const std::string& output_path) {
    if (output_name.empty()) build_error("Error: OUTPUT must not be empty.");
    if (!lies_inside(output_path, build_folder))
        build_error("Error: OUTPUT '" + output_name + "' does not name a file inside " +
                    std::string(build_folder) + ".");
}

} // namespace

std::string default_output_name(const std::string& file) {
    fs::path path = fs::path(file).lexically_normal();
    std::string name = path.filename().string();
    auto dot = name.find('.');
    // A leading "." is part of the name (".wx" has no stem to speak of).
    if (dot == 0) dot = name.find('.', 1);
    if (dot != std::string::npos) name.resize(dot);
    fs::path folder = path.parent_path();
    bool outside = path.is_absolute() || path.has_root_path() || (!folder.empty() && *folder.begin() == "..");
    if (outside || folder.empty()) return name;
    return (folder / name).generic_string();
}

void build_standalone(const BuildRequest& request) {
    if (extension_of(request.file) != "wx") build_error("Error: Only .wx files are allowed.");
    FileResult script = read_text_file(request.file);
    if (!script.ok) build_error("Error: Failed to read the file: " + script.error);
    // A standalone program ignores a longer script when it starts and would
    // behave as the whole tool instead.
    if (script.data.size() > payload::max_script_size)
        build_error("Error: The script is " + std::to_string(script.data.size()) +
                    " bytes long; a standalone program can carry at most " +
                    std::to_string(payload::max_script_size) + " bytes.");

    if (request.icon) {
        if (!path_exists(*request.icon)) build_error("Error: Icon file '" + *request.icon + "' not found.");
        std::string extension = extension_of(*request.icon);
        if (!is_supported_icon_extension(to_lower_ascii(extension)))
            build_error("Error: Unsupported icon format '" + extension +
                        "'. Supported formats: png, ico, icns, jpg, svg");
    }

    Target target = host_target();
    bool target_is_host = true;
    if (request.target) {
        auto found = find_target(*request.target);
        if (!found)
            build_error("Error: Unknown target '" + *request.target +
                        "'. Supported targets: linux-x86_64, macos-x86_64, macos-aarch64, win-x86_64");
        target_is_host = found->platform_name == target.platform_name;
        target = *found;
    }

    check_output(request.output, output_path_for(target, request.output));

    ModuleBundle bundle = collect_modules(script.data);
    if (modules_size(bundle.modules) > payload::max_modules_size)
        build_error("Error: The modules the script uses take more than " +
                    std::to_string(payload::max_modules_size) +
                    " bytes; a standalone program cannot carry them.");

    yellow_note("Building for target: " + std::string(target.platform_name));
    if (request.icon) yellow_note("Icon: " + *request.icon);
    if (request.terminal) yellow_note(std::string("Terminal: ") + (*request.terminal ? "true" : "false"));
    auto build_start = std::chrono::steady_clock::now();

    CachedRuntime runtime = obtain_runtime(target, target_is_host);
    // A module not found here may still be installed where the program runs,
    // which looks for it in the file system as usual.
    for (const auto& name : bundle.missing)
        warning("Module '" + name +
                "' was not found, so it is not embedded; the program will look for it where it runs.");
    std::string output = assemble(target, runtime, bundle.modules, script.data, request.output, build_start);
    if (!bundle.modules.empty() || !bundle.missing.empty())
        green_note("Embedded modules: " + std::to_string(bundle.modules.size()));

    if (request.icon) {
        apply_icon(output, *request.icon, target, request.output);
        if (target.kind == TargetKind::Windows) keep_script_appended(output, bundle.modules, script.data);
    }
    if (request.terminal) {
        if (target.kind == TargetKind::Windows)
            apply_windows_terminal_setting(output, *request.terminal);
        else
            apply_terminal_setting(output, target, *request.terminal);
    }

    std::error_code ignored;
    fs::remove_all(work_folder, ignored);
    // The location is only reported for a program that is really there.
    if (!path_exists(output)) build_error("Error: The built program is missing: " + output);
    green_note("Location: " + output);
    if (target.kind == TargetKind::MacOS && request.icon) {
        std::string bundle = ".wexlin/build/" + request.output + ".app";
        if (path_exists(bundle)) green_note("App Bundle: " + bundle);
    }
}

} // namespace wexlin::builder
