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

std::string encode_path(std::string_view path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : path) {
        auto byte = static_cast<unsigned char>(c);
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved || c == '/') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 15]);
        }
    }
    return out;
}

std::string file_url(std::string_view base, const ModuleName& name, std::string_view file) {
    std::string url(base);
    url.append("/modules/")
        .append(encode_path(name.author))
        .append("/")
        .append(encode_path(name.module))
        .append("/")
        .append(encode_path(file));
    return url;
}

} // namespace wexlin::package_manager
