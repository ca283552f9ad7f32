// The Linux desktop entry written beside a built program: it names the
// program, its icon and whether a terminal is opened for it.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::builder {

// The seven lines of an entry. The program path goes on the Exec line
// (quoted when it holds characters a launcher would otherwise split on); the
// other values are written as given, with backslashes and line breaks
// escaped.
std::string desktop_entry_text(std::string_view name, std::string_view program_path,
                               std::string_view icon_path, bool terminal);

// Sets the terminal value of an existing entry: every "Terminal=" line is
// replaced (the lines joined again without a final line feed), or the line is
// appended when there is none.
std::string set_desktop_terminal(std::string_view entry, bool terminal);

// The output path made absolute and canonical, or unchanged when that fails.
std::string absolute_program_path(const std::string& path);

// The Linux packaging steps.
void apply_linux_icon(const std::string& icon_path, std::string_view extension,
                      const std::string& output_name);
void apply_linux_terminal_setting(const std::string& output_path, bool terminal);

} // namespace wexlin::builder
