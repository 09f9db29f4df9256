#include "fault_injection.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>

namespace {

FaultPlan plan{};
// The plan's generation: a thread counts afresh when the plan is newer than its count.
std::atomic<std::uint64_t> generation{0};
std::atomic<std::uint64_t> mostCalls{0};
std::atomic<std::uint64_t> injected{0};

std::atomic<bool> held{false};  // Hang has held its one call

struct ThreadCount {
    std::uint64_t generation;
    std::uint64_t calls;
};
thread_local ThreadCount here{0, 0};

// Waits until a signal is handled, as a call blocked in a slow file system does.
void waitForSignal() {
    sigset_t none;
    sigemptyset(&none);
    sigsuspend(&none);
}

}  // namespace

void planFault(const FaultPlan& chosen) {
    plan = chosen;
    mostCalls = 0;
    injected = 0;
    held = false;
    generation.fetch_add(1);
}

std::uint64_t faultableCalls() {
    return mostCalls.load();
}

std::uint64_t faultsInjected() {
    return injected.load();
}

int injectFault(CallKind kind, std::size_t* size) {
    const std::uint64_t current = generation.load(std::memory_order_acquire);
    if (here.generation != current) here = {current, 0};
    const std::uint64_t number = ++here.calls;
    std::uint64_t most = mostCalls.load(std::memory_order_relaxed);
    while (number > most && !mostCalls.compare_exchange_weak(most, number, std::memory_order_relaxed)) {
    }
    if (plan.failingCall == 0 || number < plan.failingCall) return 0;
    if (plan.mode == FaultMode::Hang || plan.mode == FaultMode::HangListing) {
        const bool holds = plan.mode == FaultMode::Hang ? kind == CallKind::Read || kind == CallKind::Write
                                                        : kind == CallKind::List;
        if (!holds || held.exchange(true)) return 0;
        ++injected;
        waitForSignal();
        errno = EINTR;
        return -1;
    }
    if (number > plan.failingCall && plan.mode != FaultMode::FromThenOn) return 0;
    switch (plan.mode) {
    case FaultMode::Short:
        if (kind != CallKind::Read || size == nullptr || *size < 2) return 0;
        *size /= 2;
        ++injected;
        return 0;
    case FaultMode::Hang:
    case FaultMode::HangListing:
    case FaultMode::Once:
    case FaultMode::FromThenOn:
        break;
    }
    ++injected;
    errno = plan.error;
    return -1;
}
