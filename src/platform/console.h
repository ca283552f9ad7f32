// What the program needs from the console it was started in: the command
// line as UTF-8, a console that shows UTF-8 and colour sequences, and
// whether a standard stream is a terminal.
#pragma once

#include <string>
#include <vector>

namespace wexlin::platform {

// Called first thing in main: on Windows the console is switched to UTF-8
// and to reading ANSI colour sequences, and sleeping gets millisecond
// precision; on POSIX systems there is nothing to do.
void prepare_console();

// The command line as UTF-8 texts, the program's name first. On Windows it
// is read again in UTF-16, since argv holds it in the ANSI code page, which
// cannot hold every name.
std::vector<std::string> command_line_arguments(int argc, char** argv);

enum class Stream { Input, Output, Error };

bool is_terminal(Stream stream);

} // namespace wexlin::platform
