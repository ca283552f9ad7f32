// Where modules are fetched from. The registry is any web server handing out
// raw files laid out as modules/<author>/<module>/module.yaml beside the
// module's own files.
#pragma once

#include "package_manager/module_name.h"

#include <string>
#include <string_view>

namespace wexlin::package_manager {

// The base address, without a trailing "/": WEXLIN_REGISTRY_URL when it is
// set and not empty, otherwise the address compiled into the program.
std::string registry_url();

// The base address compiled into the program.
std::string_view default_registry_url();

// Percent-encodes every byte of a relative path except the unreserved
// characters and the "/" between its segments, so "#", "?", "%" and spaces in
// a module name or a listed file reach the server as part of the name.
std::string encode_path(std::string_view path);

std::string metadata_url(std::string_view base, const ModuleName& name);
std::string file_url(std::string_view base, const ModuleName& name, std::string_view file);

} // namespace wexlin::package_manager
