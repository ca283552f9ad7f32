#include "package_manager/package_manager.h"

namespace wexlin::package_manager {

std::optional<std::string> install_module(std::string_view) {
    return "install is not available yet";
}
std::optional<std::string> upgrade_module(std::string_view) {
    return "upgrade is not available yet";
}
std::optional<std::string> uninstall_module(std::string_view) {
    return "uninstall is not available yet";
}
std::optional<std::string> list_modules() {
    return "modules is not available yet";
}

} // namespace wexlin::package_manager
