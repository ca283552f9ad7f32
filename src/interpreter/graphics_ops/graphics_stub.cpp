// Placeholder until the SDL-backed graphics land: every graphics entry answers
// as if no window could be opened.
#include "interpreter/graphics_ops/graphics_builtins.h"
#include "interpreter/module_entry.h"

namespace wexlin {

std::optional<Value> sdl2_call(std::string_view, std::vector<Value>&, GraphicsState&) {
    return std::nullopt;
}

namespace graphics {
#define WEXLIN_STUB(name)                                                                                    \
    Value name(std::vector<Value>&, GraphicsState&) {                                                        \
        return Value::null();                                                                                \
    }
WEXLIN_STUB(builtin_window)
WEXLIN_STUB(builtin_window_width)
WEXLIN_STUB(builtin_window_height)
WEXLIN_STUB(builtin_clear)
WEXLIN_STUB(builtin_present)
WEXLIN_STUB(builtin_is_open)
WEXLIN_STUB(builtin_rect)
WEXLIN_STUB(builtin_circle)
WEXLIN_STUB(builtin_triangle)
WEXLIN_STUB(builtin_color)
WEXLIN_STUB(builtin_fill)
WEXLIN_STUB(builtin_draw)
#undef WEXLIN_STUB
} // namespace graphics

} // namespace wexlin
