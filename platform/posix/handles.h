// A handle of the POSIX layer is a descriptor plus one, so that no open file is the null handle.
#pragma once

#include "win32_subset.h"

#include <cstdint>

inline HANDLE handleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(descriptor) + 1);
}

inline int descriptorOf(HANDLE file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(file) - 1);
}
