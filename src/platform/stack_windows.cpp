#include "platform/stack.h"

#include <windows.h>

namespace wexlin::platform {

// The main thread's stack is reserved when the executable is linked (its
// header names the size, see src/CMakeLists.txt) and cannot grow past that;
// what lies between the caller's frame and the lowest address is usable.
std::uintptr_t prepare_main_stack(std::uintptr_t wanted, std::uintptr_t here) {
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    if (low == 0 || here <= low) return 1u << 20;
    std::uintptr_t usable = here - static_cast<std::uintptr_t>(low);
    return usable < wanted ? usable : wanted;
}

} // namespace wexlin::platform
