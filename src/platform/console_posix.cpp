#include "platform/console.h"

#include <unistd.h>

namespace wexlin::platform {

void prepare_console() {}

std::vector<std::string> command_line_arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool is_terminal(Stream stream) {
    int fd = stream == Stream::Input    ? STDIN_FILENO
             : stream == Stream::Output ? STDOUT_FILENO
                                        : STDERR_FILENO;
    return isatty(fd) != 0;
}

} // namespace wexlin::platform
