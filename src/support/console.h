// Console prefixes and colours shared by every subsystem that reports.
#pragma once

#include <string_view>

namespace wexlin::console {

inline constexpr std::string_view error_tag = "\x1b[31m[\x1b[91mERROR\x1b[31m]\x1b[0m ";
inline constexpr std::string_view debug_tag = "\x1b[33m[\x1b[93mDEBUG\x1b[33m]\x1b[0m ";
inline constexpr std::string_view debug_call_tag = "\x1b[33m[\x1b[93mDEBUG CALL\x1b[33m]\x1b[0m ";
inline constexpr std::string_view wexlin_tag = "\x1b[33m[\x1b[93mWEXLIN\x1b[33m]\x1b[0m ";

// "[ERROR] message" on standard error.
void error_line(std::string_view message);
// "[DEBUG] message" on standard error.
void debug_line(std::string_view message);
// "[DEBUG CALL] message" on standard error.
void debug_call_line(std::string_view message);
// The command line's "Error: message" in red on standard error.
void command_error_line(std::string_view message);

} // namespace wexlin::console
