#include "builder/build_console.h"

#include <cstdio>
#include <cstdlib>

#include "support/console.h"
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

using console::colour;
namespace sgr = console::sgr;

void yellow_note(std::string_view text) {
    write(stdout, colour(sgr::yellow), text, colour(sgr::reset));
}
void green_note(std::string_view text) {
    write(stdout, colour(sgr::green), text, colour(sgr::reset));
}
void warning(std::string_view message) {
    write(stderr, console::tag("\x1b[33mWarning: "), message, colour(sgr::reset));
}
void plain_warning(std::string_view message) {
    write(stderr, "Warning: ", message, "");
}

void build_error(std::string_view message) {
    std::fflush(stdout);
    write(stderr, colour(sgr::red), message, colour(sgr::reset));
    std::exit(1);
}

ClockedProgressLine::ClockedProgressLine(std::string label, Clock::time_point start)
    : m_label(std::move(label)), m_start(start) {
    std::string line = "\r";
    line.append(colour(sgr::yellow)).append(m_label).append(" in progress").append(colour(sgr::reset));
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void ClockedProgressLine::finish(std::string_view colour, std::string_view word) {
    double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
    std::string line = "\r";
    line.append(console::colour(colour))
        .append(m_label)
        .append(word)
        .append(format_seconds(seconds))
        .append("s)")
        .append(console::colour(sgr::reset))
        .push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void ClockedProgressLine::done() {
    finish(sgr::green, " done (");
}
void ClockedProgressLine::failed() {
    finish(sgr::red, " failed (");
}

} // namespace wexlin::builder
