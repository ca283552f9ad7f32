// The build command: checks the request, obtains the target's runtime,
// appends the script and dresses the result for its platform.
#include <chrono>
#include <filesystem>
#include <system_error>

#include "builder/assembly.h"
#include "builder/build_console.h"
#include "builder/build_request.h"
#include "builder/file_io.h"
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
void keep_script_appended(const std::string& output_path, std::string_view script) {
    auto found = payload::find_script_in_file(output_path);
    if (found && *found == script) return;
    if (auto error = payload::append_script(output_path, script))
        build_error("Error: Failed to embed script: " + *error);
}

} // namespace

void build_standalone(const BuildRequest& request) {
    if (extension_of(request.file) != "wx") build_error("Error: Only .wx files are allowed.");
    FileResult script = read_text_file(request.file);
    if (!script.ok) build_error("Error: Failed to read the file: " + script.error);

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

    yellow_note("Building for target: " + std::string(target.platform_name));
    if (request.icon) yellow_note("Icon: " + *request.icon);
    if (request.terminal) yellow_note(std::string("Terminal: ") + (*request.terminal ? "true" : "false"));
    auto build_start = std::chrono::steady_clock::now();

    CachedRuntime runtime = obtain_runtime(target, target_is_host);
    std::string output = assemble(target, runtime, script.data, request.output, build_start);

    if (request.icon) {
        apply_icon(output, *request.icon, target, request.output);
        if (target.kind == TargetKind::Windows) keep_script_appended(output, script.data);
    }
    if (request.terminal) {
        if (target.kind == TargetKind::Windows)
            apply_windows_terminal_setting(output, *request.terminal);
        else
            apply_terminal_setting(output, target, *request.terminal);
    }

    green_note("Location: " + output);
    if (target.kind == TargetKind::MacOS && request.icon) {
        std::string bundle = ".wexlin/build/" + request.output + ".app";
        if (path_exists(bundle)) green_note("App Bundle: " + bundle);
    }
    std::error_code ignored;
    fs::remove_all(".wexlin/build/tmp", ignored);
}

} // namespace wexlin::builder
