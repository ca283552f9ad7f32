// How deep the main thread's stack may grow: the interpreter recurses with
// the script, and stops a runaway recursion with an error before the stack
// runs out.
#pragma once

#include <cstdint>

namespace wexlin::platform {

// Makes room for up to wanted bytes of stack where the system allows it to
// be raised at run time, and answers how many bytes the main thread may use
// from the caller's frame down (at most wanted).
std::uintptr_t prepare_main_stack(std::uintptr_t wanted, std::uintptr_t here);

} // namespace wexlin::platform
