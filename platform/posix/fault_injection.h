// Test builds only (QUENDLE_FAULT_INJECTION): the file calls of the subset that can fail on a real
// system (FindFirstFileA, lookups included, FindNextFileA, CreateFileA, ReadFile, WriteFile) are
// counted, on every thread together, and the one chosen fails. Tests sweep the choice over every
// call a run makes, to show that no failure can pass for a clean result.
#pragma once

#include "win32_subset.h"

#include <cstdint>

struct FaultPlan {
    std::uint64_t failingCall;  // counted from 1; 0 fails none
    DWORD error;                // the last error the failing call leaves
    // ReadFile and WriteFile succeed instead, reporting half of what they really transferred.
    bool shortCount;
};

// Starts counting afresh under the plan.
void planFault(const FaultPlan& plan);
// Calls counted since the plan, and whether the chosen one has failed.
std::uint64_t faultableCalls();
bool faultInjected();

enum class Fault { None, Fail, Shorten };

// For the subset's calls: what this one is to do. Fail leaves the plan's error as the last error.
// Shorten comes only for a transfer (a read or a write), which then goes through and reports
// shortenedCount of what it transferred.
Fault faultForThisCall(bool transfer = false);
// Half of what was transferred; the fault counts as injected only when that is less.
DWORD shortenedCount(DWORD transferred);

// The subset's calls ask at their start; without QUENDLE_FAULT_INJECTION nothing is counted.
#ifdef QUENDLE_FAULT_INJECTION
#define QUENDLE_FAULT(transfer) faultForThisCall(transfer)
#else
#define QUENDLE_FAULT(transfer) Fault::None
#endif
