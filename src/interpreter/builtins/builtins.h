// The builtin table: the 27 core builtins followed by the 12 graphics
// builtins, in registration order. Builtins never fail with an Error: wrong or
// missing arguments give Null (or a stated default).
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "interpreter/graphics_ops/graphics_state.h"
#include "interpreter/value.h"

namespace wexlin {

using BuiltinRoutine = Value (*)(std::vector<Value>& args, GraphicsState& state);

struct Builtin {
    std::string_view name;
    BuiltinRoutine routine;
};

std::span<const Builtin> builtin_table();
// Index in the table, or -1.
int builtin_index(std::string_view name);

// Unicode helpers the REPL shares with `input`.
std::string trim_unicode_whitespace(std::string_view text);

} // namespace wexlin
