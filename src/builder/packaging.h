// The optional steps after a program is built: its icon and whether it
// opens a terminal window, dispatched by target.
#pragma once

#include <string>

#include "builder/targets.h"

namespace wexlin::builder {

// Nothing here ends the build: failures are warnings.
void apply_icon(const std::string& output_path, const std::string& icon_path, const Target& target,
                const std::string& output_name);
// For Linux and macOS targets; Windows is patched in the executable itself.
void apply_terminal_setting(const std::string& output_path, const Target& target, bool terminal);

} // namespace wexlin::builder
