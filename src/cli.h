// The command line: decides, from the arguments, the one action of this run.
#pragma once

#include <string>
#include <vector>

namespace wexlin {

// Runs the action the arguments ask for and gives the exit status.
int run_command_line(const std::vector<std::string>& args);

} // namespace wexlin
