#include "package_manager/registry.h"

#include <cstdlib>

// WEXLIN_DEFAULT_REGISTRY_URL comes from the build (a CMake cache variable).
namespace wexlin::package_manager {

std::string_view default_registry_url() {
    return WEXLIN_DEFAULT_REGISTRY_URL;
}

std::string registry_url() {
    const char* from_environment = std::getenv("WEXLIN_REGISTRY_URL");
    std::string url =
        from_environment && *from_environment ? from_environment : std::string(default_registry_url());
    // Every address is built as base + "/modules/...", so a trailing "/"
    // typed by the user would double up.
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

std::string metadata_url(std::string_view base, const ModuleName& name) {
    return file_url(base, name, "module.yaml");
}

std::string file_url(std::string_view base, const ModuleName& name, std::string_view file) {
    std::string url(base);
    url.append("/modules/").append(name.author).append("/").append(name.module).append("/").append(file);
    return url;
}

} // namespace wexlin::package_manager
