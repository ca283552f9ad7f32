// wexlin: the interpreter, REPL, package manager and standalone builder.
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli.h"
#include "embedded.h"
#include "interpreter/interpreter.h"
#include "platform/console.h"
#include "support/stack_guard.h"

namespace {

// The last line of defence: a failure no layer below could turn into an
// error of its own ends the process with a message and status 1, never an
// abort. Only fixed texts are written, since memory may be exhausted.
int fail_cleanly(const char* message) {
    std::fflush(stdout);
    std::fputs("\x1b[31mError: ", stderr);
    std::fputs(message, stderr);
    std::fputs("\x1b[0m\n", stderr);
    return 1;
}

int run(int argc, char** argv) {
    if (wexlin::run_embedded_script()) {
        std::fflush(stdout);
        return 0;
    }
    std::vector<std::string> args = wexlin::platform::command_line_arguments(argc, argv);
    int status = wexlin::run_command_line(args);
    std::fflush(stdout);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    wexlin::init_stack_guard();
    wexlin::platform::prepare_console();
    wexlin::read_general_routines_switch();
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return fail_cleanly("Out of memory");
    } catch (const std::length_error&) {
        return fail_cleanly("Out of memory");
    } catch (const std::exception& e) {
        return fail_cleanly(e.what());
    }
}
