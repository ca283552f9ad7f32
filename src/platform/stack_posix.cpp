#include "platform/stack.h"

#include <sys/resource.h>

namespace wexlin::platform {

std::uintptr_t prepare_main_stack(std::uintptr_t wanted, std::uintptr_t) {
    rlimit limit{};
    std::uintptr_t usable = 8u << 20;
    if (getrlimit(RLIMIT_STACK, &limit) == 0) {
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
            rlim_t target = wanted;
            if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < target) target = limit.rlim_max;
            rlimit raised = limit;
            raised.rlim_cur = target;
            if (setrlimit(RLIMIT_STACK, &raised) == 0) limit = raised;
        }
        usable = limit.rlim_cur == RLIM_INFINITY ? wanted : static_cast<std::uintptr_t>(limit.rlim_cur);
        if (usable > wanted) usable = wanted;
    }
    return usable;
}

} // namespace wexlin::platform
