// Makes non-throwing allocations of a given size or more fail while an instance lives, as on
// exhausted memory; smaller ones still succeed. With a count, only that many fail: memory that
// comes back, as another thread frees some.
#pragma once

#include <cstddef>

struct NothrowAllocationFailure {
    explicit NothrowAllocationFailure(std::size_t minimumSize, int count = -1);
    ~NothrowAllocationFailure();
};
