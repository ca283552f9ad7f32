#include "interpreter/graphics_ops/graphics_builtins.h"

#include "interpreter/graphics_ops/arguments.h"
#include "interpreter/graphics_ops/frame.h"
#include "interpreter/graphics_ops/raster.h"
#include "interpreter/graphics_ops/window.h"

namespace wexlin::graphics {

Value builtin_window(std::vector<Value>& args, GraphicsState& state) {
    std::int64_t size[2];
    if (read_numbers_quietly(args, 2, size))
        open_window(state, "Wexlin", low_32_bits(size[0]), low_32_bits(size[1]));
    return Value::null();
}

Value builtin_window_width(std::vector<Value>&, GraphicsState& state) {
    auto size = window_size(state);
    return size ? Value::number(size->first) : Value::null();
}

Value builtin_window_height(std::vector<Value>&, GraphicsState& state) {
    auto size = window_size(state);
    return size ? Value::number(size->second) : Value::null();
}

// The builtins never fail, so a renderer that refuses to clear is passed over.
Value builtin_clear(std::vector<Value>&, GraphicsState& state) {
    (void)clear_window(state);
    return Value::null();
}

Value builtin_present(std::vector<Value>&, GraphicsState& state) {
    end_frame(state);
    return Value::null();
}

Value builtin_is_open(std::vector<Value>&, GraphicsState& state) {
    return Value::boolean(state.window_open);
}

Value builtin_rect(std::vector<Value>& args, GraphicsState&) {
    std::int64_t n[4];
    if (!read_numbers_quietly(args, 4, n)) return Value::null();
    return Value::rect(RectShape{low_32_bits(n[0]), low_32_bits(n[1]), static_cast<std::uint32_t>(n[2]),
                                 static_cast<std::uint32_t>(n[3])});
}

Value builtin_circle(std::vector<Value>& args, GraphicsState&) {
    std::int64_t n[3];
    if (!read_numbers_quietly(args, 3, n)) return Value::null();
    return Value::circle(CircleShape{low_32_bits(n[0]), low_32_bits(n[1]), static_cast<std::uint32_t>(n[2])});
}

Value builtin_triangle(std::vector<Value>& args, GraphicsState&) {
    std::int64_t n[6];
    if (!read_numbers_quietly(args, 6, n)) return Value::null();
    return Value::triangle(TriangleShape{low_32_bits(n[0]), low_32_bits(n[1]), low_32_bits(n[2]),
                                         low_32_bits(n[3]), low_32_bits(n[4]), low_32_bits(n[5])});
}

Value builtin_color(std::vector<Value>& args, GraphicsState&) {
    std::int64_t n[3];
    if (!read_numbers_quietly(args, 3, n)) return Value::null();
    return Value::color(ColorShape{low_8_bits(n[0]), low_8_bits(n[1]), low_8_bits(n[2])});
}

namespace {

bool is_shape(const Value& value) {
    return value.is(ValueKind::Rect) || value.is(ValueKind::Circle) || value.is(ValueKind::Triangle);
}

template <bool Fill>
Value draw_shape(std::vector<Value>& args, GraphicsState& state) {
    if (args.size() < 2 || !args[1].is(ValueKind::Color) || !is_shape(args[0])) return Value::null();
    ColorShape color = args[1].as_color();
    // A colour the renderer refuses leaves nothing sensible to draw with.
    if (change_draw_color(state, Rgba{color.r, color.g, color.b, 255})) return Value::null();
    if (!state.canvas) return Value::null();
    Canvas& canvas = *state.canvas;
    const Value& shape = args[0];
    if (shape.is(ValueKind::Rect)) {
        RectShape rect = shape.as_rect();
        draw_clamped_rect(canvas, rect.x, rect.y, rect.w, rect.h, Fill);
    } else if (shape.is(ValueKind::Circle)) {
        CircleShape circle = shape.as_circle();
        // The routines take the radius as a signed 32-bit number; a "negative"
        // radius draws nothing.
        auto radius = static_cast<std::int32_t>(circle.radius);
        if constexpr (Fill)
            fill_circle(canvas, circle.x, circle.y, radius);
        else
            draw_circle(canvas, circle.x, circle.y, radius);
    } else {
        TriangleShape t = shape.as_triangle();
        if constexpr (Fill)
            fill_triangle(canvas, t.x1, t.y1, t.x2, t.y2, t.x3, t.y3);
        else
            draw_triangle(canvas, t.x1, t.y1, t.x2, t.y2, t.x3, t.y3);
    }
    return Value::null();
}

} // namespace

Value builtin_fill(std::vector<Value>& args, GraphicsState& state) {
    return draw_shape<true>(args, state);
}
Value builtin_draw(std::vector<Value>& args, GraphicsState& state) {
    return draw_shape<false>(args, state);
}

} // namespace wexlin::graphics
