#pragma once

#include <cstdint>

// When a comparison stops: at the first result of this severity or worse.
enum StopLevel : std::uint8_t {
    StopByNotices = 0,
    StopByErrors = 1,
    StopByFatalErrors = 2,
    IgnoreAnyErrors = 3,
};
