#include "support/progress.h"

#include <cstdio>

#include "support/console.h"

namespace wexlin {

ProgressLine::ProgressLine(std::string label)
    : m_label(std::move(label)), m_start(std::chrono::steady_clock::now()) {
    std::string line = "\r";
    line.append(console::colour(console::sgr::yellow))
        .append(m_label)
        .append(" in progress")
        .append(console::colour(console::sgr::reset));
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
    line.append(console::colour(colour))
        .append(m_label)
        .append(word)
        .append(format_seconds(seconds_elapsed()))
        .append("s)")
        .append(console::colour(console::sgr::reset))
        .push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void ProgressLine::done() {
    finish(console::sgr::green, " done (");
}
void ProgressLine::failed() {
    finish(console::sgr::red, " failed (");
}

} // namespace wexlin
