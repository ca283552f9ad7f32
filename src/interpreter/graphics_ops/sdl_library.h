// SDL is opened the first time a script asks for a window rather than linked
// into the executable: a script that draws nothing should not pay, at every
// start, for loading the display, audio and input libraries SDL brings in.
#pragma once

#include <SDL.h>

namespace wexlin::graphics {

#define WEXLIN_SDL_FUNCTIONS(X)                                                                              \
    X(GetCurrentVideoDriver)                                                                                 \
    X(GetHint)                                                                                               \
    X(SetHint)                                                                                               \
    X(Init)                                                                                                  \
    X(InitSubSystem)                                                                                         \
    X(QuitSubSystem)                                                                                         \
    X(Quit)                                                                                                  \
    X(PollEvent)                                                                                             \
    X(DestroyRenderer)                                                                                       \
    X(DestroyWindow)                                                                                         \
    X(SetRenderDrawColor)                                                                                    \
    X(RenderClear)                                                                                           \
    X(GetError)                                                                                              \
    X(RenderDrawPoint)                                                                                       \
    X(RenderDrawLine)                                                                                        \
    X(RenderDrawRect)                                                                                        \
    X(RenderFillRect)                                                                                        \
    X(RenderDrawPoints)                                                                                      \
    X(RenderFillRects)                                                                                       \
    X(RenderPresent)                                                                                         \
    X(RenderFlush)                                                                                           \
    X(GetWindowSize)                                                                                         \
    X(SetWindowFullscreen)                                                                                   \
    X(GetRendererOutputSize)                                                                                 \
    X(CreateWindow)                                                                                          \
    X(CreateRenderer)                                                                                        \
    X(GetRendererInfo)                                                                                       \
    X(GetNumRenderDrivers)                                                                                   \
    X(GetRenderDriverInfo)                                                                                   \
    X(GL_GetProcAddress)

struct SdlLibrary {
#define WEXLIN_SDL_POINTER(name) decltype(&::SDL_##name) name = nullptr;
    WEXLIN_SDL_FUNCTIONS(WEXLIN_SDL_POINTER)
#undef WEXLIN_SDL_POINTER
};

// The loaded library, or nullptr when SDL cannot be loaded (then no window
// can be created, as without a display).
const SdlLibrary* sdl_library();

} // namespace wexlin::graphics
