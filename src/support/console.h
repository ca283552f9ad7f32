// Console prefixes and colours shared by every subsystem that reports.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::console {

// Colour escapes are written whether or not the stream is a terminal, unless
// the NO_COLOR environment variable holds a non-empty value: then every
// report leaves its escapes out and keeps only the text. Everything that
// colours its output goes through colour() or tag(), so the switch is one
// decision made in one place.
bool colours_enabled();

// The escape sequence itself while colours are enabled, the empty text
// otherwise.
std::string_view colour(std::string_view sequence);

// A fixed coloured prefix (one of the tags below, or any text made only of
// the system's own words and escapes) as it is written: unchanged, or with
// its escapes removed when colours are off. Never pass user text through it.
std::string tag(std::string_view coloured);

// The escape sequences the system uses (ESC is byte 27).
namespace sgr {
inline constexpr std::string_view reset = "\x1b[0m";
inline constexpr std::string_view dim = "\x1b[2m";
inline constexpr std::string_view red = "\x1b[31m";
inline constexpr std::string_view green = "\x1b[32m";
inline constexpr std::string_view yellow = "\x1b[33m";
inline constexpr std::string_view bright_red = "\x1b[91m";
inline constexpr std::string_view bright_yellow = "\x1b[93m";
} // namespace sgr

// The coloured forms of the line prefixes; write them through tag().
inline constexpr std::string_view error_tag = "\x1b[31m[\x1b[91mERROR\x1b[31m]\x1b[0m ";
inline constexpr std::string_view debug_tag = "\x1b[33m[\x1b[93mDEBUG\x1b[33m]\x1b[0m ";
inline constexpr std::string_view debug_call_tag = "\x1b[33m[\x1b[93mDEBUG CALL\x1b[33m]\x1b[0m ";
inline constexpr std::string_view wexlin_tag = "\x1b[33m[\x1b[93mWEXLIN\x1b[33m]\x1b[0m ";

// Writes text to standard error after flushing standard output. Standard
// output is block-buffered when it is not a terminal; without the flush an
// error line would overtake the print output written before it in a merged
// stream ("> log 2>&1", a CI log, an editor's output pane). Plain print runs
// keep their buffering: only a write to standard error flushes.
void write_stderr(std::string_view text);

// "[ERROR] message" on standard error.
void error_line(std::string_view message);
// "[DEBUG] message" on standard error.
void debug_line(std::string_view message);
// "[DEBUG CALL] message" on standard error.
void debug_call_line(std::string_view message);
// The command line's "Error: message" in red on standard error.
void command_error_line(std::string_view message);

} // namespace wexlin::console
