// What the builder writes to the console besides the shared progress lines:
// notes on standard output, warnings and build errors on standard error.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace wexlin::builder {

// A yellow note ("Building for target: ...").
void yellow_note(std::string_view text);
// A green note ("Location: ...").
void green_note(std::string_view text);
// "Warning: message" in yellow on standard error; the build goes on.
void warning(std::string_view message);
// "Warning: message" without colour on standard error.
void plain_warning(std::string_view message);
// The message in red on standard error, then the process ends with status 1.
[[noreturn]] void build_error(std::string_view message);

// A progress line whose done or failed form is timed from a clock started
// elsewhere: the assembling line reports the time of the whole build.
class ClockedProgressLine {
  public:
    using Clock = std::chrono::steady_clock;

    ClockedProgressLine(std::string label, Clock::time_point start);

    void done();
    void failed();

  private:
    void finish(std::string_view colour, std::string_view word);

    std::string m_label;
    Clock::time_point m_start;
};

} // namespace wexlin::builder
