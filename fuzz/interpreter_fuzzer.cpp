// The interpreter on generated scripts (see script_generator.h). Each script
// runs in a private working folder that is emptied after the run, with small
// size limits so that one input stays quick; the code paths are the same as
// with the real limits.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <system_error>
#include <unistd.h>

#include "runner.h"
#include "script_generator.h"
#include "support/limits.h"
#include "support/stack_guard.h"

namespace {

std::filesystem::path g_work;
std::filesystem::path g_home;
bool g_show_script = false;

void write_module() {
    std::string path = (g_work / (std::string(wexlin::fuzz::module_name) + ".wx")).string();
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fputs(wexlin::fuzz::module_source, file);
        std::fclose(file);
    }
}

// Everything the script left behind goes, except the module it may import.
void empty_work_folder() {
    std::error_code error;
    std::string keep = std::string(wexlin::fuzz::module_name) + ".wx";
    for (const auto& entry : std::filesystem::directory_iterator(g_work, error)) {
        if (entry.path().filename() == keep) continue;
        std::filesystem::remove_all(entry.path(), error);
    }
    write_module(); // the script may have overwritten or deleted it
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    wexlin::init_stack_guard();
    wexlin::limits::max_string_length = 1 << 14;
    wexlin::limits::max_range_length = 1 << 12;
    char pattern[] = "/tmp/wexlin-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    g_work = pattern;
    g_home = std::filesystem::current_path();
    write_module();
    // Shows each generated script on standard error (to reproduce a finding).
    g_show_script = std::getenv("WEXLIN_FUZZ_SHOW_SCRIPT") != nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A few small inputs also run with the -D traces on.
    bool traces = size > 0 && size < 256 && (data[0] & 15) == 0;
    FuzzedDataProvider input(data, size);
    std::string script = wexlin::fuzz::generate_script(input);
    if (g_show_script) {
        std::fprintf(stderr, "--- generated script (traces %s) ---\n%s--- end ---\n", traces ? "on" : "off",
                     script.c_str());
    }
    if (chdir(g_work.c_str()) != 0) std::abort();
    wexlin::run_script(script, traces, traces);
    std::fflush(stdout);
    empty_work_folder();
    if (chdir(g_home.c_str()) != 0) std::abort();
    return 0;
}
