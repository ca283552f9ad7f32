// The sdl2 module: its entry point and the functions behind it (the 27 of
// the language and the extensions for mouse and text). Every failure is an
// Error value; nothing here prints.
//
// Nothing with coordinates reaches SDL unclipped: SDL walks every pixel of a
// line and computes rectangles in single-precision floats, so a far-off end
// point would cost time and memory without bound or move an edge inside the
// window. What is drawn inside the window stays the same.
#include <algorithm>
#include <array>

#include "interpreter/graphics_ops/arguments.h"
#include "interpreter/graphics_ops/font.h"
#include "interpreter/graphics_ops/frame.h"
#include "interpreter/graphics_ops/raster.h"
#include "interpreter/graphics_ops/window.h"
#include "interpreter/module_entry.h"
#include "support/unicode.h"

namespace wexlin {

namespace graphics {

namespace {

using Arguments = std::vector<Value>;

std::string lower_case(const std::string& text) {
    return unicode::to_lower(text);
}

Value result_of(std::optional<std::string> failure) {
    if (failure) return Value::error(std::move(*failure));
    return Value::null();
}

Value init(Arguments&, GraphicsState&) {
    return Value::boolean(true);
}

Value create_window(Arguments& args, GraphicsState& state) {
    if (args.size() < 3) return Value::error("create_window requires title, width, height");
    if (!args[0].is_string()) return Value::error("create_window: title must be a string");
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (!numeric_argument(args[1], width)) width = 0;
    if (!numeric_argument(args[2], height)) height = 0;
    if (width < 1 || height < 1) return Value::error("create_window: width and height must be positive");
    open_window(state, args[0].as_string(), low_32_bits(width), low_32_bits(height));
    return Value::number(1);
}

// The window stays on screen with its renderer until the interpreter ends;
// only the flag that scripts loop on changes.
Value destroy_window(Arguments&, GraphicsState& state) {
    state.window_open = false;
    return Value::null();
}

// A window keeps the title it was created with.
Value set_window_title(Arguments& args, GraphicsState&) {
    if (args.size() < 2) return Value::error("set_window_title requires window handle and title");
    if (!args[1].is_string()) return Value::error("set_window_title: title must be a string");
    return Value::null();
}

Value set_window_mode(Arguments& args, GraphicsState& state) {
    if (args.empty()) return Value::error("set_window_mode requires a mode string");
    std::string mode = lower_case(args[0].display_text());
    WindowMode window_mode;
    if (mode == "windowed")
        window_mode = WindowMode::Windowed;
    else if (mode == "fullscreen")
        window_mode = WindowMode::Fullscreen;
    else if (mode == "windowed_fullscreen")
        window_mode = WindowMode::WindowedFullscreen;
    else
        return Value::error("Invalid window mode. Use 'windowed', 'fullscreen', or 'windowed_fullscreen'");
    state.window_mode = std::move(mode);
    if (state.canvas) state.canvas->set_fullscreen(window_mode);
    return Value::null();
}

Value get_window_mode(Arguments&, GraphicsState& state) {
    return Value::string(state.window_mode);
}

Value clear_screen(Arguments&, GraphicsState& state) {
    return result_of(clear_window(state));
}

Value render_present(Arguments&, GraphicsState& state) {
    end_frame(state);
    return Value::null();
}

Value set_draw_color(Arguments& args, GraphicsState& state) {
    std::int64_t rgb[3];
    if (auto error = read_numbers("set_draw_color", args, 3, rgb)) return *error;
    return result_of(
        change_draw_color(state, Rgba{low_8_bits(rgb[0]), low_8_bits(rgb[1]), low_8_bits(rgb[2]), 255}));
}

Value set_max_fps(Arguments& args, GraphicsState& state) {
    std::int64_t fps = 0;
    if (auto error = read_numbers("set_max_fps", args, 1, &fps)) return *error;
    if (fps <= 0) return Value::error("FPS must be greater than 0");
    state.max_fps = static_cast<std::uint32_t>(fps);
    return Value::null();
}

Value delta_time(Arguments&, GraphicsState& state) {
    return Value::floating(state.delta_time);
}

Value draw_point(Arguments& args, GraphicsState& state) {
    std::int64_t n[2];
    if (auto error = read_numbers("draw_point", args, 2, n)) return *error;
    if (!state.canvas) return Value::null();
    std::int32_t x = clamp_coordinate(low_32_bits(n[0]));
    std::int32_t y = clamp_coordinate(low_32_bits(n[1]));
    if (state.canvas->bounds().contains(x, y)) state.canvas->draw_point(x, y);
    return Value::null();
}

Value draw_line(Arguments& args, GraphicsState& state) {
    std::int64_t n[4];
    if (auto error = read_numbers("draw_line", args, 4, n)) return *error;
    if (!state.canvas) return Value::null();
    std::int32_t x1 = clamp_coordinate(low_32_bits(n[0]));
    std::int32_t y1 = clamp_coordinate(low_32_bits(n[1]));
    std::int32_t x2 = clamp_coordinate(low_32_bits(n[2]));
    std::int32_t y2 = clamp_coordinate(low_32_bits(n[3]));
    ClipBounds bounds = state.canvas->bounds();
    // Within the window SDL draws the line itself; a line that leaves it
    // becomes the points of SDL's own line that lie inside.
    if (bounds.contains(x1, y1) && bounds.contains(x2, y2))
        state.canvas->draw_line(x1, y1, x2, y2);
    else
        draw_renderer_line(*state.canvas, x1, y1, x2, y2);
    return Value::null();
}

template <bool Fill>
Value rectangle(std::string_view name, Arguments& args, GraphicsState& state) {
    std::int64_t n[4];
    if (auto error = read_numbers(name, args, 4, n)) return *error;
    if (!state.canvas) return Value::null();
    draw_clamped_rect(*state.canvas, low_32_bits(n[0]), low_32_bits(n[1]), static_cast<std::uint32_t>(n[2]),
                      static_cast<std::uint32_t>(n[3]), Fill);
    return Value::null();
}

Value draw_rect(Arguments& args, GraphicsState& state) {
    return rectangle<false>("draw_rect", args, state);
}
Value fill_rect(Arguments& args, GraphicsState& state) {
    return rectangle<true>("fill_rect", args, state);
}

template <void (*Routine)(RasterTarget&, std::int32_t, std::int32_t, std::int32_t)>
Value circle(std::string_view name, Arguments& args, GraphicsState& state) {
    std::int64_t n[3];
    if (auto error = read_numbers(name, args, 3, n)) return *error;
    if (state.canvas) Routine(*state.canvas, low_32_bits(n[0]), low_32_bits(n[1]), low_32_bits(n[2]));
    return Value::null();
}

Value draw_circle(Arguments& args, GraphicsState& state) {
    return circle<graphics::draw_circle>("draw_circle", args, state);
}
Value fill_circle(Arguments& args, GraphicsState& state) {
    return circle<graphics::fill_circle>("fill_circle", args, state);
}

template <void (*Routine)(RasterTarget&, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                          std::int32_t)>
Value triangle(std::string_view name, Arguments& args, GraphicsState& state) {
    std::int64_t n[6];
    if (auto error = read_numbers(name, args, 6, n)) return *error;
    if (state.canvas)
        Routine(*state.canvas, low_32_bits(n[0]), low_32_bits(n[1]), low_32_bits(n[2]), low_32_bits(n[3]),
                low_32_bits(n[4]), low_32_bits(n[5]));
    return Value::null();
}

Value draw_triangle(Arguments& args, GraphicsState& state) {
    return triangle<graphics::draw_triangle>("draw_triangle", args, state);
}
Value fill_triangle(Arguments& args, GraphicsState& state) {
    return triangle<graphics::fill_triangle>("fill_triangle", args, state);
}

Value fill_polygon(Arguments& args, GraphicsState& state) {
    if (args.empty()) return Value::error("fill_polygon requires an array of [x,y] points");
    if (!args[0].is_array()) return Value::error("fill_polygon: argument must be an array of [x,y] pairs");
    std::vector<PointF> points = read_points(args[0]);
    if (points.size() < 3) return Value::error("fill_polygon requires at least 3 points");
    if (state.canvas) graphics::fill_polygon(*state.canvas, points);
    return Value::null();
}

Value draw_polygon(Arguments& args, GraphicsState& state) {
    if (args.empty()) return Value::error("draw_polygon requires an array of [x,y] points");
    if (!args[0].is_array()) return Value::error("draw_polygon: argument must be an array of [x,y] pairs");
    std::vector<PointF> points = read_points(args[0]);
    if (points.size() < 2) return Value::error("draw_polygon requires at least 2 points");
    if (state.canvas) graphics::draw_polygon(*state.canvas, points);
    return Value::null();
}

Value get_window_width(Arguments&, GraphicsState& state) {
    auto size = window_size(state);
    return size ? Value::number(size->first) : Value::null();
}

Value get_window_height(Arguments&, GraphicsState& state) {
    auto size = window_size(state);
    return size ? Value::number(size->second) : Value::null();
}

Value is_window_open(Arguments&, GraphicsState& state) {
    return Value::boolean(state.window_open);
}

Value key_query(std::string_view name, const std::unordered_set<std::string>& keys, Arguments& args) {
    if (args.empty()) return Value::error(std::string(name) + " requires a key name");
    return Value::boolean(keys.contains(args[0].display_text()));
}

Value get_input_pressed(Arguments& args, GraphicsState& state) {
    return key_query("get_input_pressed", state.pressed_keys, args);
}
Value get_input_released(Arguments& args, GraphicsState& state) {
    return key_query("get_input_released", state.released_keys, args);
}
Value get_input_held(Arguments& args, GraphicsState& state) {
    return key_query("get_input_held", state.held_keys, args);
}

// Extensions: the pointer and its buttons. The buttons are in the key sets
// under "mouse_left", "mouse_middle" and "mouse_right".
Value get_mouse_x(Arguments&, GraphicsState& state) {
    return state.canvas ? Value::number(state.mouse_x) : Value::null();
}

Value get_mouse_y(Arguments&, GraphicsState& state) {
    return state.canvas ? Value::number(state.mouse_y) : Value::null();
}

// Extension: text in the 8x8 font, in the draw colour, one renderer call.
Value draw_text(Arguments& args, GraphicsState& state) {
    if (args.size() < 3) return Value::error("draw_text requires text, x, y");
    std::int64_t position[2];
    for (std::size_t i = 0; i < 2; ++i) {
        if (!numeric_argument(args[i + 1], position[i]))
            return Value::error("draw_text: argument " + std::to_string(i + 2) + " must be a number");
    }
    std::int64_t scale = 1;
    if (args.size() > 3 && !numeric_argument(args[3], scale))
        return Value::error("draw_text: argument 4 must be a number");
    if (scale < 1) return Value::error("draw_text: scale must be at least 1");
    if (!state.canvas) return Value::null();
    std::vector<PixelRect> rects;
    lay_out_text(args[0].display_text(), low_32_bits(position[0]), low_32_bits(position[1]), scale,
                 state.canvas->bounds(), rects);
    if (!rects.empty()) state.canvas->fill_rects(rects);
    return Value::null();
}

constexpr NativeFunction functions[] = {
    {"init", with_state<init>},
    {"create_window", with_state<create_window>},
    {"destroy_window", with_state<destroy_window>},
    {"set_window_title", with_state<set_window_title>},
    {"set_window_mode", with_state<set_window_mode>},
    {"get_window_mode", with_state<get_window_mode>},
    {"clear_screen", with_state<clear_screen>},
    {"render_present", with_state<render_present>},
    {"set_draw_color", with_state<set_draw_color>},
    {"set_max_fps", with_state<set_max_fps>},
    {"delta_time", with_state<delta_time>},
    {"draw_point", with_state<draw_point>},
    {"draw_line", with_state<draw_line>},
    {"draw_rect", with_state<draw_rect>},
    {"fill_rect", with_state<fill_rect>},
    {"draw_circle", with_state<draw_circle>},
    {"fill_circle", with_state<fill_circle>},
    {"draw_triangle", with_state<draw_triangle>},
    {"fill_triangle", with_state<fill_triangle>},
    {"fill_polygon", with_state<fill_polygon>},
    {"draw_polygon", with_state<draw_polygon>},
    {"get_window_width", with_state<get_window_width>},
    {"get_window_height", with_state<get_window_height>},
    {"is_window_open", with_state<is_window_open>},
    {"get_input_pressed", with_state<get_input_pressed>},
    {"get_input_released", with_state<get_input_released>},
    {"get_input_held", with_state<get_input_held>},
    {"get_mouse_x", with_state<get_mouse_x>},
    {"get_mouse_y", with_state<get_mouse_y>},
    {"draw_text", with_state<draw_text>},
};

} // namespace

} // namespace graphics

std::span<const NativeFunction> sdl2_functions() {
    return graphics::functions;
}

std::optional<Value> sdl2_call(std::string_view name, std::vector<Value>& args, GraphicsState& state) {
    if (!name.starts_with("sdl2.")) return std::nullopt;
    for (const NativeFunction& function : graphics::functions)
        if (function.name == name.substr(5)) return function.run(args, &state);
    return std::nullopt;
}

} // namespace wexlin
