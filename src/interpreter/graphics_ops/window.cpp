#include "interpreter/graphics_ops/window.h"

namespace wexlin::graphics {

void open_window(GraphicsState& state, std::string_view title, std::int32_t width, std::int32_t height,
                 const WindowOpener& opener) {
    if (state.sdl_context) return;
    std::optional<OpenedWindow> opened = opener(title, width, height);
    if (!opened) return;
    // A fresh renderer starts drawing in black while the state may have
    // recorded another colour; without this the first set_draw_color of that
    // recorded colour would be skipped and drawing would stay black.
    opened->canvas->set_draw_color(state.draw_color);
    state.canvas = std::move(opened->canvas);
    state.event_pump = std::move(opened->event_pump);
    state.sdl_context = std::move(opened->library);
    state.window_open = true;
    state.last_frame = GraphicsState::Clock::now();
    state.delta_time = 0.0;
}

std::optional<std::string> change_draw_color(GraphicsState& state, Rgba color) {
    if (color == state.draw_color) return std::nullopt;
    if (state.canvas && !state.canvas->set_draw_color(color)) return state.canvas->error_text();
    state.draw_color = color;
    return std::nullopt;
}

std::optional<std::string> clear_window(GraphicsState& state) {
    if (!state.canvas) return std::nullopt;
    Rgba black{0, 0, 0, 255};
    if (!state.canvas->set_draw_color(black)) return state.canvas->error_text();
    state.draw_color = black;
    if (!state.canvas->clear()) return "Could not clear: " + state.canvas->error_text();
    return std::nullopt;
}

std::optional<std::pair<int, int>> window_size(const GraphicsState& state) {
    if (!state.canvas) return std::nullopt;
    int width = 0;
    int height = 0;
    state.canvas->window_size(width, height);
    return std::pair{width, height};
}

std::int32_t clamp_size(std::uint32_t size) {
    if (size == 0) return 1;
    if (size >= std::uint32_t(coordinate_max)) return coordinate_max;
    return static_cast<std::int32_t>(size);
}

void draw_clamped_rect(Canvas& canvas, std::int32_t x, std::int32_t y, std::uint32_t w, std::uint32_t h,
                       bool fill) {
    std::int64_t left = clamp_coordinate(x);
    std::int64_t top = clamp_coordinate(y);
    std::int64_t width = clamp_size(w);
    std::int64_t height = clamp_size(h);
    if (!clip_rect(canvas.bounds(), left, top, width, height, !fill)) return;
    auto narrow = [](std::int64_t value) { return static_cast<std::int32_t>(value); };
    if (fill)
        canvas.fill_rect(narrow(left), narrow(top), narrow(width), narrow(height));
    else
        canvas.draw_rect(narrow(left), narrow(top), narrow(width), narrow(height));
}

} // namespace wexlin::graphics
