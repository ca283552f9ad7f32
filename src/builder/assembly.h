// Putting a standalone program together: a copy of the cached runtime with
// the script appended, placed in the build folder.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "builder/runtime_source.h"
#include "builder/targets.h"

namespace wexlin::builder {

// The output file for OUTPUT: .wexlin/build/<OUTPUT>, ".exe" added for Windows.
std::string output_path_for(const Target& target, std::string_view output_name);

// Assembles the program and answers its path; build errors end the process.
// The progress line's time runs from build_start, so it covers the download.
std::string assemble(const Target& target, const CachedRuntime& runtime, std::string_view script,
                     std::string_view output_name, std::chrono::steady_clock::time_point build_start);

} // namespace wexlin::builder
