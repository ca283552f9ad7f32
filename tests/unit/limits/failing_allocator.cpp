#include "failing_allocator.h"

#include <cstdlib>
#include <new>

namespace {
std::size_t g_limit = 0;
}

namespace wexlin::testing {
void fail_allocations_above(std::size_t bytes) {
    g_limit = bytes;
}
} // namespace wexlin::testing

void* operator new(std::size_t size) {
    if (g_limit != 0 && size > g_limit) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
