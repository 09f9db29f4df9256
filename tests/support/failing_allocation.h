// Makes non-throwing allocations of a given size or more fail while an instance lives, as on
// exhausted memory; smaller ones still succeed.
#pragma once

#include <cstddef>

struct NothrowAllocationFailure {
    explicit NothrowAllocationFailure(std::size_t minimumSize);
    ~NothrowAllocationFailure();
};
