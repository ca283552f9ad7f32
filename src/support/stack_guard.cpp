#include "support/stack_guard.h"

#include <cstdint>

#include "platform/stack.h"

namespace wexlin {

namespace {

// The kernel keeps at least 128 MiB free below the main thread's stack when
// it lays out a process, so the stack can grow to a little less than that
// even when the limit is raised after start.
constexpr std::uintptr_t wanted_stack = 120u << 20;
constexpr std::uintptr_t margin = 4u << 20;

std::uintptr_t g_base = 0;

std::uintptr_t here() {
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
}

} // namespace

namespace detail {
std::uintptr_t stack_limit = 0;
}

void init_stack_guard() {
    std::uintptr_t usable = platform::prepare_main_stack(wanted_stack, here());
    g_base = here();
    std::uintptr_t room = usable > 2 * margin ? usable - margin : usable / 2;
    detail::stack_limit = g_base > room ? g_base - room : 1;
}

} // namespace wexlin
