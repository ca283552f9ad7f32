// The script runner: lexer, parser and interpreter chained over one script.
#pragma once

#include <string_view>

namespace wexlin {

// Runs a whole script. Whatever the script does, the process's exit status
// stays 0; errors are reported by the interpreter on standard error.
void run_script(std::string_view source, bool debug, bool extra_debug);

} // namespace wexlin
