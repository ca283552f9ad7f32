#include "builder/build_console.h"

#include <cstdio>
#include <cstdlib>

#include "support/progress.h"

namespace wexlin::builder {

namespace {

void write(std::FILE* stream, std::string_view a, std::string_view b, std::string_view c) {
    std::string line;
    line.reserve(a.size() + b.size() + c.size() + 1);
    line.append(a).append(b).append(c).push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

} // namespace

void yellow_note(std::string_view text) {
    write(stdout, "\x1b[33m", text, "\x1b[0m");
}
void green_note(std::string_view text) {
    write(stdout, "\x1b[32m", text, "\x1b[0m");
}
void warning(std::string_view message) {
    write(stderr, "\x1b[33mWarning: ", message, "\x1b[0m");
}
void plain_warning(std::string_view message) {
    write(stderr, "Warning: ", message, "");
}

void build_error(std::string_view message) {
    std::fflush(stdout);
    write(stderr, "\x1b[31m", message, "\x1b[0m");
    std::exit(1);
}

ClockedProgressLine::ClockedProgressLine(std::string label, Clock::time_point start)
    : m_label(std::move(label)), m_start(start) {
    std::string line = "\r\x1b[33m" + m_label + " in progress\x1b[0m";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void ClockedProgressLine::finish(std::string_view colour, std::string_view word) {
    double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
    std::string line = "\r";
    line.append(colour).append(m_label).append(word).append(format_seconds(seconds)).append("s)\x1b[0m\n");
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void ClockedProgressLine::done() {
    finish("\x1b[32m", " done (");
}
void ClockedProgressLine::failed() {
    finish("\x1b[31m", " failed (");
}

} // namespace wexlin::builder
