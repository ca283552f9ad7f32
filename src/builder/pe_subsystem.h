// The Windows terminal setting: the subsystem field of a PE executable's
// optional header decides whether Windows opens a console window for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wexlin::builder {

inline constexpr std::uint8_t subsystem_windows_gui = 2;
inline constexpr std::uint8_t subsystem_windows_console = 3;

struct SubsystemField {
    std::optional<std::uint64_t> offset; // of the 16-bit field, when found
    std::string error;                   // why it was not found
};

// Finds the subsystem field in a PE image: the "MZ" header, the PE header
// offset at 0x3C, the "PE\0\0" signature, and the field 0x5C bytes past it.
SubsystemField find_subsystem_field(std::string_view image);

// Sets the field to console (terminal on) or GUI (terminal off) in a buffer.
// Answers the error text, or nullopt on success.
std::optional<std::string> patch_subsystem(std::string& image, bool terminal);

// The same on a file; only the two bytes of the field are rewritten, so a
// failing write cannot cut the file short.
std::optional<std::string> patch_subsystem_in_file(const std::string& path, bool terminal);

// The build step around it: progress line, and a warning when the file
// cannot be patched (the build goes on).
void apply_windows_terminal_setting(const std::string& output_path, bool terminal);

} // namespace wexlin::builder
