#include "interpreter/graphics_ops/sdl_library.h"

#include "platform/dynamic_library.h"

namespace wexlin::graphics {

namespace {

const SdlLibrary* load() {
    static SdlLibrary library;
#ifdef _WIN32
    // Beside wexlin.exe (or the built game), where the runtime archive puts it.
    void* handle = platform::open_library("SDL2.dll");
#else
    void* handle = platform::open_library("libSDL2-2.0.so.0");
#endif
    if (!handle) return nullptr;
    bool complete = true;
#define WEXLIN_SDL_RESOLVE(name)                                                                             \
    library.name = reinterpret_cast<decltype(library.name)>(platform::library_symbol(handle, "SDL_" #name)); \
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
