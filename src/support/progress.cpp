#include "support/progress.h"

#include <cstdio>

namespace wexlin {

ProgressLine::ProgressLine(std::string label)
    : m_label(std::move(label)), m_start(std::chrono::steady_clock::now()) {
    std::string line = "\r\x1b[33m" + m_label + " in progress\x1b[0m";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

double ProgressLine::seconds_elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

std::string format_seconds(double seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", seconds);
    return buffer;
}

void ProgressLine::finish(std::string_view colour, std::string_view word) {
    std::string line = "\r";
    line.append(colour)
        .append(m_label)
        .append(word)
        .append(format_seconds(seconds_elapsed()))
        .append("s)\x1b[0m\n");
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void ProgressLine::done() {
    finish("\x1b[32m", " done (");
}
void ProgressLine::failed() {
    finish("\x1b[31m", " failed (");
}

} // namespace wexlin
