// macOS packaging: the .app bundle with its Info.plist and icon, and the
// two ways of running without a terminal window (the bundle's LSUIElement
// key, or a launcher script beside a bare program).
#pragma once

#include <string>
#include <string_view>

namespace wexlin::builder {

// "com.wexlin." and the name lowered, with every run of characters other
// than ASCII letters, digits, "-" and "." replaced by one "-".
std::string bundle_identifier(std::string_view name);

// The bundle's property list for a program called name; icon_file is
// "AppIcon" when the bundle has an icon and empty otherwise.
std::string info_plist_text(std::string_view name, std::string_view icon_file);

// Marks the program as an agent application (no terminal, no Dock icon):
// an existing LSUIElement key is switched to true, else the key is added
// before the closing </dict>.
std::string set_lsuielement(std::string_view plist);

// A script that starts the program in its own folder, detached.
std::string launcher_script_text(std::string_view program_name);

void apply_macos_icon(const std::string& output_path, const std::string& icon_path,
                      std::string_view extension, const std::string& output_name);
void apply_macos_terminal_setting(const std::string& output_path, bool terminal);

} // namespace wexlin::builder
