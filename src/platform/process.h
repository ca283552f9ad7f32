// Starting programs: the one place that knows how the operating system runs a
// child process. POSIX today; a CreateProcess version can stand behind the
// same declarations.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wexlin::platform {

enum class OutputMode {
    Capture, // standard output and error are collected into the result
    Discard, // both go to the null device
};

struct ProcessOptions {
    OutputMode output{OutputMode::Capture};
    bool empty_stdin{false}; // true: standard input is the null device; false: inherited
    // Capture: the most bytes kept of either stream. A child that writes more
    // is killed and the result says so (0: no limit).
    std::size_t capture_limit{0};
};

struct ProcessResult {
    bool started{false};
    bool not_found{false};   // the program could not be found (on the search path)
    std::string start_error; // the system's text when not started
    bool wait_failed{false};
    std::string wait_error;      // the system's text when waiting failed
    int exit_code{0};            // exit status, or 128 + signal for a killed child
    bool capture_limited{false}; // the child passed the capture limit and was killed
    std::string out;
    std::string err;
};

// Runs program with args (not including argv[0]), searching PATH when the
// program has no '/', without a shell, and waits for it.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const ProcessOptions& options = {});

// Path of the running executable; empty when it cannot be determined.
std::string executable_path();

} // namespace wexlin::platform
