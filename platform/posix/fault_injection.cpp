#include "fault_injection.h"

#include <atomic>

namespace {

FaultPlan plan{};
std::atomic<std::uint64_t> calls{0};
std::atomic<bool> injected{false};

}  // namespace

void planFault(const FaultPlan& chosen) {
    plan = chosen;
    calls = 0;
    injected = false;
}

std::uint64_t faultableCalls() {
    return calls.load();
}

bool faultInjected() {
    return injected.load();
}

Fault faultForThisCall(bool transfer) {
    const std::uint64_t number = calls.fetch_add(1, std::memory_order_relaxed) + 1;
    if (plan.failingCall == 0 || number != plan.failingCall) return Fault::None;
    if (transfer && plan.shortCount) return Fault::Shorten;
    injected = true;
    SetLastError(plan.error);
    return Fault::Fail;
}

DWORD shortenedCount(DWORD transferred) {
    if (transferred / 2 < transferred) injected = true;
    return transferred / 2;
}
