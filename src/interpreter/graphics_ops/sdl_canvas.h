// The SDL side of the graphics state: library start, window with renderer,
// event pump, all counted per process.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "interpreter/graphics_ops/graphics_state.h"

namespace wexlin::graphics {

// What one successful window creation hands to a state.
// Members are declared so that dropping it releases the renderer and window
// before the subsystems.
struct OpenedWindow {
    std::unique_ptr<LibraryStart> library;
    std::unique_ptr<EventPump> event_pump;
    std::unique_ptr<Canvas> canvas;
};

// Starts SDL and its video subsystem, creates a window (placed by the window
// system, no flags) with the first renderer SDL offers, and takes the
// process's single event pump. Any failure gives back what was taken so far,
// in reverse order, and answers nullopt; SDL's error text is not kept.
std::optional<OpenedWindow> open_sdl_window(std::string_view title, std::int32_t width, std::int32_t height);

} // namespace wexlin::graphics
