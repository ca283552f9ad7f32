#include "support/console.h"

#include <cstdio>
#include <string>

namespace wexlin::console {

namespace {
void write_line(std::string_view tag, std::string_view message) {
    std::string line;
    line.reserve(tag.size() + message.size() + 1);
    line.append(tag).append(message).push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}
} // namespace

void error_line(std::string_view message) {
    write_line(error_tag, message);
}
void debug_line(std::string_view message) {
    write_line(debug_tag, message);
}
void debug_call_line(std::string_view message) {
    write_line(debug_call_tag, message);
}

void command_error_line(std::string_view message) {
    std::string line = "\x1b[31mError: ";
    line.append(message).append("\x1b[0m\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace wexlin::console
