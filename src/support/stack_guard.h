// Guards deep recursion in the tree walker. Scripts may recurse without a
// language limit, but the native stack is finite: before it runs out the
// interpreter reports "Maximum recursion depth exceeded" instead of crashing.
#pragma once

#include <cstdint>

namespace wexlin {

// Called once at start-up from main: raises the stack's soft limit where the
// system allows and records where the stack begins.
void init_stack_guard();

namespace detail {
extern std::uintptr_t stack_limit;
}

// True when less than a safety margin of stack is left.
inline bool stack_exhausted() {
    if (detail::stack_limit == 0) init_stack_guard();
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < detail::stack_limit;
}

} // namespace wexlin
