// The three built-in modules' entry points. Each takes the full function name
// (module prefix included) and the evaluated arguments, and answers either
// nullopt ("not a function of this module") or the function's Value, an Error
// value on failure. Entry points print nothing.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "interpreter/value.h"

namespace wexlin {

struct GraphicsState;

std::optional<Value> files_call(std::string_view name, std::vector<Value>& args);
std::optional<Value> http_call(std::string_view name, std::vector<Value>& args);
std::optional<Value> sdl2_call(std::string_view name, std::vector<Value>& args, GraphicsState& state);

} // namespace wexlin
