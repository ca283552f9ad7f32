// The terminal line editor of the REPL, built on libedit: arrow keys move
// through the line and through the history, which is kept between sessions
// in ~/.wexlin_history.
#pragma once

#include <memory>

#include "repl/line_source.h"

namespace wexlin {

// The editor reading the terminal on standard input and writing to the one
// on standard output; null when it cannot be set up.
std::unique_ptr<LineSource> make_line_editor();

} // namespace wexlin
