// The twelve top-level graphics builtins. They share the core builtins'
// contract: never an Error, Null for missing or wrong arguments.
#pragma once

#include <vector>

#include "interpreter/graphics_ops/graphics_state.h"
#include "interpreter/value.h"

namespace wexlin::graphics {

Value builtin_window(std::vector<Value>& args, GraphicsState& state);
Value builtin_window_width(std::vector<Value>& args, GraphicsState& state);
Value builtin_window_height(std::vector<Value>& args, GraphicsState& state);
Value builtin_clear(std::vector<Value>& args, GraphicsState& state);
Value builtin_present(std::vector<Value>& args, GraphicsState& state);
Value builtin_is_open(std::vector<Value>& args, GraphicsState& state);
Value builtin_rect(std::vector<Value>& args, GraphicsState& state);
Value builtin_circle(std::vector<Value>& args, GraphicsState& state);
Value builtin_triangle(std::vector<Value>& args, GraphicsState& state);
Value builtin_color(std::vector<Value>& args, GraphicsState& state);
Value builtin_fill(std::vector<Value>& args, GraphicsState& state);
Value builtin_draw(std::vector<Value>& args, GraphicsState& state);

} // namespace wexlin::graphics
