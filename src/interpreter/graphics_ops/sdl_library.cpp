#include "interpreter/graphics_ops/sdl_library.h"

#include <dlfcn.h>

namespace wexlin::graphics {

namespace {

const SdlLibrary* load() {
    static SdlLibrary library;
    void* handle = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    bool complete = true;
#define WEXLIN_SDL_RESOLVE(name)                                                                             \
    library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, "SDL_" #name));                    \
    complete = complete && library.name != nullptr;
    WEXLIN_SDL_FUNCTIONS(WEXLIN_SDL_RESOLVE)
#undef WEXLIN_SDL_RESOLVE
    // The handle stays open for the life of the process, as a linked
    // library would.
    return complete ? &library : nullptr;
}

} // namespace

const SdlLibrary* sdl_library() {
    static const SdlLibrary* library = load();
    return library;
}

} // namespace wexlin::graphics
