// wexlin: the interpreter, REPL, package manager and standalone builder.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "embedded.h"
#include "support/stack_guard.h"

int main(int argc, char** argv) {
    wexlin::init_stack_guard();
    if (wexlin::run_embedded_script()) {
        std::fflush(stdout);
        return 0;
    }
    std::vector<std::string> args(argv, argv + argc);
    int status = wexlin::run_command_line(args);
    std::fflush(stdout);
    return status;
}
