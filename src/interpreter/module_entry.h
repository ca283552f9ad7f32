// The native modules, sdl2, http and files, in one table that both `use`
// (which builds a module's exports from it) and the call dispatch (which
// resolves a call site's function to its entry once) read.
//
// Each module lists its functions under their names without the module
// prefix. The entry points below take the full function name (module prefix
// included) and the evaluated arguments, and answer either nullopt ("not a
// function of this module") or the function's Value, an Error value on
// failure. Module functions print nothing.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "interpreter/value.h"

namespace wexlin {

struct GraphicsState;

// The interpreter's graphics state is passed to every routine; only the sdl2
// functions use it, and the others may be called without one (null).
using NativeRoutine = Value (*)(std::vector<Value>& args, GraphicsState* state);

struct NativeFunction {
    std::string_view name; // without the module prefix: "init"
    NativeRoutine run;
};

struct NativeModule {
    std::string_view name;  // as in `use`: "sdl2"
    std::string_view title; // as in "SDL2 module has no function '...'"
    std::span<const NativeFunction> functions;

    // The function of that name, or null.
    const NativeFunction* find(std::string_view function) const;
};

// A module function that has no use for the graphics state.
template <Value (*F)(std::vector<Value>&)>
Value without_state(std::vector<Value>& args, GraphicsState*) {
    return F(args);
}
// A module function that draws or reads the window: never called without
// the state.
template <Value (*F)(std::vector<Value>&, GraphicsState&)>
Value with_state(std::vector<Value>& args, GraphicsState* state) {
    return F(args, *state);
}

// Each module's functions, in the order of its export table.
std::span<const NativeFunction> sdl2_functions();
std::span<const NativeFunction> http_functions();
std::span<const NativeFunction> files_functions();

// All native modules.
std::span<const NativeModule> native_modules();
// The native module of that name, or null.
const NativeModule* native_module(std::string_view name);
// The function a full name ("module.function") names, or null.
const NativeFunction* native_function(std::string_view full_name);

std::optional<Value> files_call(std::string_view name, std::vector<Value>& args);
std::optional<Value> http_call(std::string_view name, std::vector<Value>& args);
std::optional<Value> sdl2_call(std::string_view name, std::vector<Value>& args, GraphicsState& state);

} // namespace wexlin
