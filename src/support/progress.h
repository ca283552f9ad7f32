// The one-line status shown while the package manager and the builder work:
// "label in progress" in yellow, later overwritten in place by "label done
// (1.23s)" in green or "label failed (1.23s)" in red.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace wexlin {

class ProgressLine {
  public:
    // Prints the in-progress form (no line end) and starts the clock.
    explicit ProgressLine(std::string label);

    void done();
    void failed();
    double seconds_elapsed() const;

  private:
    void finish(std::string_view colour, std::string_view word);

    std::string m_label;
    std::chrono::steady_clock::time_point m_start;
};

// Formats seconds with exactly two decimals: 0.05, 12.00.
std::string format_seconds(double seconds);

} // namespace wexlin
