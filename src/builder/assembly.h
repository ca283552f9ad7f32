// Putting a standalone program together: a copy of the cached runtime with
// the script appended, placed in the build folder.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "builder/payload.h"
#include "builder/runtime_source.h"
#include "builder/targets.h"

namespace wexlin::builder {

// Where the runtime copy receives the script before it is copied to the
// output. It lies beside the build folder, not in it, so that no OUTPUT
// (which must stay inside the build folder) can be or contain it, and
// removing it at the end of a build never takes a program along.
inline constexpr std::string_view work_folder = ".wexlin/work";
inline constexpr std::string_view work_copy = ".wexlin/work/wexlin";
inline constexpr std::string_view build_folder = ".wexlin/build";

// The output file for OUTPUT: .wexlin/build/<OUTPUT>, ".exe" added for Windows.
std::string output_path_for(const Target& target, std::string_view output_name);

// Assembles the program (runtime, the modules when there are any, script)
// and answers its path; build errors end the process.
// The progress line's time runs from build_start, so it covers the download.
std::string assemble(const Target& target, const CachedRuntime& runtime,
                     const std::vector<payload::EmbeddedModule>& modules, std::string_view script,
                     std::string_view output_name, std::chrono::steady_clock::time_point build_start);

} // namespace wexlin::builder
