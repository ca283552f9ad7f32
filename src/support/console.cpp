#include "support/console.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace wexlin::console {

namespace {

bool read_colour_switch() {
    const char* no_color = std::getenv("NO_COLOR");
    return no_color == nullptr || no_color[0] == '\0';
}

void write_line(std::string_view coloured_tag, std::string_view message) {
    std::string line = tag(coloured_tag);
    line.reserve(line.size() + message.size() + 1);
    line.append(message).push_back('\n');
    write_stderr(line);
}

} // namespace

void write_stderr(std::string_view text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool colours_enabled() {
    // The environment is read once: a script cannot change it, and every
    // line of one run should look the same.
    static const bool enabled = read_colour_switch();
    return enabled;
}

std::string_view colour(std::string_view sequence) {
    return colours_enabled() ? sequence : std::string_view{};
}

std::string tag(std::string_view coloured) {
    if (colours_enabled()) return std::string(coloured);
    // Drops every "ESC [ parameters final-letter" sequence.
    std::string plain;
    plain.reserve(coloured.size());
    for (std::size_t i = 0; i < coloured.size(); ++i) {
        if (coloured[i] == '\x1b' && i + 1 < coloured.size() && coloured[i + 1] == '[') {
            std::size_t end = i + 2;
            while (end < coloured.size() && !(coloured[end] >= '@' && coloured[end] <= '~'))
                ++end;
            i = end;
            continue;
        }
        plain.push_back(coloured[i]);
    }
    return plain;
}

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
    std::string line(colour(sgr::red));
    line.append("Error: ").append(message).append(colour(sgr::reset)).push_back('\n');
    write_stderr(line);
}

} // namespace wexlin::console
