#include "failing_allocation.h"

#include <new>

namespace {
std::size_t failingFrom = 0;  // 0: nothing fails
int failuresLeft = -1;        // -1: every one of that size
}

NothrowAllocationFailure::NothrowAllocationFailure(std::size_t minimumSize, int count) {
    failingFrom = minimumSize;
    failuresLeft = count;
}
NothrowAllocationFailure::~NothrowAllocationFailure() { failingFrom = 0; }

// Replaces the library's version for the whole test program; the memory still comes from the
// throwing form, so that the sanitizers see matching allocations and frees.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (failingFrom != 0 && size >= failingFrom && failuresLeft != 0) {
        if (failuresLeft > 0) --failuresLeft;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
