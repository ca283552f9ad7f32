#include "builder/tools.h"

namespace wexlin::builder {

platform::ProcessResult run_tool(const std::string& program, const std::vector<std::string>& args) {
    platform::ProcessOptions options;
    options.output = platform::OutputMode::Capture;
    options.empty_stdin = true;
    return platform::run_process(program, args, options);
}

bool tool_succeeds(const std::string& program, const std::vector<std::string>& args) {
    auto result = run_tool(program, args);
    return result.started && !result.wait_failed && result.exit_code == 0;
}

} // namespace wexlin::builder
