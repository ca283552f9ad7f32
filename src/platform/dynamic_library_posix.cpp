#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace wexlin::platform {

void* open_library(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* library_symbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

} // namespace wexlin::platform
