// The table of native modules (module_entry.h).
#include <array>

#include "interpreter/module_entry.h"

namespace wexlin {

const NativeFunction* NativeModule::find(std::string_view function) const {
    for (const NativeFunction& entry : functions)
        if (entry.name == function) return &entry;
    return nullptr;
}

std::span<const NativeModule> native_modules() {
    static const std::array<NativeModule, 3> modules = {{
        {"sdl2", "SDL2", sdl2_functions()},
        {"http", "HTTP", http_functions()},
        {"files", "Files", files_functions()},
    }};
    return modules;
}

const NativeModule* native_module(std::string_view name) {
    for (const NativeModule& module : native_modules())
        if (module.name == name) return &module;
    return nullptr;
}

const NativeFunction* native_function(std::string_view full_name) {
    auto dot = full_name.find('.');
    if (dot == std::string_view::npos) return nullptr;
    const NativeModule* module = native_module(full_name.substr(0, dot));
    return module ? module->find(full_name.substr(dot + 1)) : nullptr;
}

} // namespace wexlin
