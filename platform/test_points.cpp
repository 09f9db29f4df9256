#include "test_points.h"

#ifdef QUENDLE_CHECKS
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

struct PausePlan {
    const char* point;
    int milliseconds;
};

// Read once: the environment is the test's, fixed before the program starts.
const PausePlan& pausePlan() {
    static const PausePlan plan = [] {
        const char* point = std::getenv("QUENDLE_PAUSE_AT");
        const char* milliseconds = std::getenv("QUENDLE_PAUSE_MS");
        return PausePlan{point, milliseconds != nullptr ? std::atoi(milliseconds) : 10};
    }();
    return plan;
}

}  // namespace

// The points are named one by one, parted by commas.
void pauseAtTestPoint(const char* name) {
    const PausePlan& plan = pausePlan();
    const std::size_t length = std::strlen(name);
    for (const char* point = plan.point; point != nullptr; point = std::strchr(point, ',')) {
        if (*point == ',') ++point;
        if (std::strncmp(point, name, length) == 0 && (point[length] == ',' || point[length] == '\0')) {
            std::this_thread::sleep_for(std::chrono::milliseconds(plan.milliseconds));
            return;
        }
    }
}
#endif
