#include "support/stack_guard.h"

#include <cstdint>
#include <sys/resource.h>

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
    rlimit limit{};
    std::uintptr_t usable = 8u << 20;
    if (getrlimit(RLIMIT_STACK, &limit) == 0) {
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted_stack) {
            rlim_t target = wanted_stack;
            if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < target) target = limit.rlim_max;
            rlimit raised = limit;
            raised.rlim_cur = target;
            if (setrlimit(RLIMIT_STACK, &raised) == 0) limit = raised;
        }
        usable = limit.rlim_cur == RLIM_INFINITY ? wanted_stack : static_cast<std::uintptr_t>(limit.rlim_cur);
        if (usable > wanted_stack) usable = wanted_stack;
    }
    g_base = here();
    std::uintptr_t room = usable > 2 * margin ? usable - margin : usable / 2;
    detail::stack_limit = g_base > room ? g_base - room : 1;
}

} // namespace wexlin
