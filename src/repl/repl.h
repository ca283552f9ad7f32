// The interactive read-eval-print loop.
#pragma once

namespace wexlin {

// Reads statements from standard input and runs them at once in one
// long-lived interpreter, until "exit", "quit" or the end of input.
void repl();

} // namespace wexlin
