// Running the external programs the builder relies on (curl, tar, chmod,
// image converters, rcedit): standard input empty, output captured.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace wexlin::builder {

platform::ProcessResult run_tool(const std::string& program, const std::vector<std::string>& args);
// True when the program started and ended with exit status 0.
bool tool_succeeds(const std::string& program, const std::vector<std::string>& args);

} // namespace wexlin::builder
