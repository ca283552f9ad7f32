// Windows icons: the picture is converted to .ico and embedded into the
// executable's resources with rcedit; without rcedit the .ico is left
// beside the program.
#pragma once

#include <string>
#include <string_view>

namespace wexlin::builder {

// The Pillow program that converts icon_path to a multi-size ico_path.
std::string pillow_conversion_script(std::string_view icon_path, std::string_view ico_path);

void apply_windows_icon(const std::string& output_path, const std::string& icon_path,
                        std::string_view extension);

} // namespace wexlin::builder
