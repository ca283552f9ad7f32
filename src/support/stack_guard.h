// Guards deep recursion in the tree walker. Scripts may recurse without a
// language limit, but the native stack is finite: before it runs out the
// interpreter reports "Maximum recursion depth exceeded" instead of crashing.
#pragma once

namespace wexlin {

// Called once at start-up from main: raises the stack's soft limit where the
// system allows and records where the stack begins.
void init_stack_guard();

// True when less than a safety margin of stack is left.
bool stack_exhausted();

} // namespace wexlin
