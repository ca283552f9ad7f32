#include "repl/line_source.h"

#include <cstdio>

#include "platform/console.h"
#include "repl/line_editor.h"
#include "support/limits.h"

namespace wexlin {

namespace {

class PlainLineSource final : public LineSource {
  public:
    bool read_line(std::string_view prompt, std::string& line) override {
        std::fwrite(prompt.data(), 1, prompt.size(), stdout);
        std::fflush(stdout);
        line.clear();
        int c;
        bool any = false;
        while ((c = std::fgetc(stdin)) != EOF) {
            any = true;
            if (c == '\n') return true;
            // Past the limit the rest of the line is read and dropped, so the
            // REPL can report it as too long and input without line breaks
            // cannot take all memory.
            if (line.size() <= limits::max_repl_line) line.push_back(static_cast<char>(c));
        }
        return any;
    }

    void remember(const std::string&) override {}
};

} // namespace

std::unique_ptr<LineSource> make_plain_line_source() {
    return std::make_unique<PlainLineSource>();
}

std::unique_ptr<LineSource> make_line_source() {
#ifndef _WIN32
    // On Windows the console's own line editing and history serve.
    if (platform::is_terminal(platform::Stream::Input) && platform::is_terminal(platform::Stream::Output)) {
        if (auto editor = make_line_editor()) return editor;
    }
#endif
    return make_plain_line_source();
}

} // namespace wexlin
