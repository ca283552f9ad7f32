#include "builder/assembly.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "builder/build_console.h"
#include "builder/file_io.h"
#include "builder/payload.h"

namespace wexlin::builder {

namespace fs = std::filesystem;

std::string output_path_for(const Target& target, std::string_view output_name) {
    std::string path = ".wexlin/build/";
    path.append(output_name).append(target.output_suffix);
    return path;
}

std::string assemble(const Target& target, const CachedRuntime& runtime,
                     const std::vector<payload::EmbeddedModule>& modules, std::string_view script,
                     std::string_view output_name, std::chrono::steady_clock::time_point build_start) {
    ClockedProgressLine line("Building standalone binary...", build_start);
    auto fail = [&line](std::string message) {
        line.failed();
        build_error(message);
    };
    std::error_code error;

    fs::create_directories(work_folder, error);
    if (error) fail("Error: Failed to create temp directory: " + error.message());
    fs::copy_file(runtime.path, work_copy, fs::copy_options::overwrite_existing, error);
    if (error) fail("Error: Failed to copy Wexlin binary: " + error.message());
    if (auto embed_error = payload::append_payload(std::string(work_copy), modules, script))
        fail("Error: Failed to embed script: " + *embed_error);

    std::string output = output_path_for(target, output_name);
    // An OUTPUT with folders in it (the default for levels/one.wx is
    // levels/one) gets those folders inside the build folder.
    fs::path output_folder = fs::path(output).parent_path();
    fs::create_directories(output_folder, error);
    if (error) fail("Error: Failed to create build directory: " + error.message());
    fs::copy_file(work_copy, output, fs::copy_options::overwrite_existing, error);
    if (error) fail("Error: Failed to copy final binary: " + error.message());

    if (target.kind == TargetKind::Windows) {
        std::string dll = runtime.folder + "/SDL2.dll";
        if (path_exists(dll)) {
            fs::copy_file(dll, ".wexlin/build/SDL2.dll", fs::copy_options::overwrite_existing, error);
            if (error) plain_warning("Failed to copy SDL2.dll: " + error.message());
        }
    }
    line.done();
    return output;
}

} // namespace wexlin::builder
