// The package-manager commands reached from the command line. Each answers
// nullopt on success or the error message that the command line prints.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wexlin::package_manager {

std::optional<std::string> install_module(std::string_view name);
std::optional<std::string> upgrade_module(std::string_view name);
std::optional<std::string> uninstall_module(std::string_view name);
std::optional<std::string> list_modules();

} // namespace wexlin::package_manager
