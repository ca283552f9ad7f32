// Where the REPL's lines come from: standard input read plainly, or, when
// standard input and output are both terminals, a line editor with arrow-key
// editing and a history kept in ~/.wexlin_history.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace wexlin {

class LineSource {
  public:
    virtual ~LineSource() = default;

    // Shows the prompt and reads one line without its line feed. False at
    // the end of input or when reading fails. A line longer than
    // limits::max_repl_line may come back cut to one byte past the limit.
    virtual bool read_line(std::string_view prompt, std::string& line) = 0;

    // Records a line the REPL accepted (not blank) for later recall.
    virtual void remember(const std::string& line) = 0;
};

// The line editor when standard input and output are both terminals,
// otherwise plain reading, which writes the prompt itself.
std::unique_ptr<LineSource> make_line_source();

// Plain reading from standard input.
std::unique_ptr<LineSource> make_plain_line_source();

} // namespace wexlin
