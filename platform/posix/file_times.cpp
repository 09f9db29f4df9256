#include "win32_subset.h"

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
    const auto ticks = [](const FILETIME* time) {
        return (static_cast<std::uint64_t>(time->dwHighDateTime) << 32) | time->dwLowDateTime;
    };
    return ticks(first) < ticks(second) ? -1 : ticks(first) > ticks(second) ? 1 : 0;
}
