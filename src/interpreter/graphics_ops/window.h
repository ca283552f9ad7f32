// Operations on the graphics state shared by the sdl2 module and the
// top-level builtins: window creation, draw colour, clearing, size.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "interpreter/graphics_ops/graphics_state.h"
#include "interpreter/graphics_ops/sdl_canvas.h"

namespace wexlin::graphics {

using WindowOpener = std::function<std::optional<OpenedWindow>(std::string_view, std::int32_t, std::int32_t)>;

// Opens the state's one window. Does nothing once the state has started SDL;
// a failed attempt changes nothing and may be repeated. The new renderer is
// given the recorded draw colour, so the two agree from the start.
void open_window(GraphicsState& state, std::string_view title, std::int32_t width, std::int32_t height,
                 const WindowOpener& opener = open_sdl_window);

// Makes `color` the draw colour: handed to the renderer (if any) only when it
// differs from the recorded one. Answers the renderer's error text when it
// refuses the colour; the recorded colour is then left as it was.
std::optional<std::string> change_draw_color(GraphicsState& state, Rgba color);

// Clears the window in opaque black, which stays the draw colour. Answers the
// failure message when the renderer refuses.
std::optional<std::string> clear_window(GraphicsState& state);

// Window size in screen coordinates; nullopt without a window.
std::optional<std::pair<int, int>> window_size(const GraphicsState& state);

// Low 32 bits, two's complement.
inline std::int32_t low_32_bits(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}
inline std::uint8_t low_8_bits(std::int64_t value) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value));
}

// A rectangle side for SDL: the low 32 bits read unsigned, 0 drawn as 1, and
// at most 2^30 - 1 so that position plus size stays within 32 bits.
std::int32_t clamp_size(std::uint32_t size);

// A rectangle of the sdl2 module or of the shape builtins: the coordinate and
// size clamps, then cut to the window (see clip_rect) and drawn, outlined or
// filled, with one call; nothing when no part of it can be seen.
void draw_clamped_rect(Canvas& canvas, std::int32_t x, std::int32_t y, std::uint32_t w, std::uint32_t h,
                       bool fill);

} // namespace wexlin::graphics
