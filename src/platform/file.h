// Whole-file reading with the system's own error text on failure.
#pragma once

#include <optional>
#include <string>

namespace wexlin::platform {

// The file's bytes, or nullopt with `error` set to the system's description.
std::optional<std::string> read_whole_file(const std::string& path, std::string& error);

} // namespace wexlin::platform
