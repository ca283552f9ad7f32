// The script modules a standalone program carries: every module its script
// uses, directly or through other modules, found at build time where `use`
// would find it in the project.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder/payload.h"

namespace wexlin::builder {

struct ModuleBundle {
    std::vector<payload::EmbeddedModule> modules; // in the order they were found
    std::vector<std::string> missing;             // names no file was found for
};

// The names after every `use` in source (the built-in modules sdl2, http and
// files left out), in order of appearance, each once.
std::vector<std::string> used_module_names(std::string_view source);

// Follows the uses of script, then of each module found, reading each module
// from .wexlin/modules/<name with dots as slashes>/index.wx, else <name>.wx,
// relative to the current working directory.
ModuleBundle collect_modules(std::string_view script);

} // namespace wexlin::builder
