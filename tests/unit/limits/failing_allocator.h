// A global operator new that can be told to refuse large requests, so tests
// can make an allocation fail at a chosen size anywhere in the interpreter.
#pragma once

#include <cstddef>

namespace wexlin::testing {

// While set above 0, every request for more bytes than this throws
// std::bad_alloc.
void fail_allocations_above(std::size_t bytes);

class FailingAllocations {
  public:
    explicit FailingAllocations(std::size_t bytes) { fail_allocations_above(bytes); }
    ~FailingAllocations() { fail_allocations_above(0); }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace wexlin::testing
