// Test builds only (QUENDLE_FAULT_INJECTION): the system calls of the layer (system_calls.h) are
// counted, each thread on its own so that a failure chosen under several threads falls on the same
// kind of call again, and the chosen ones fail with the chosen errno: call N of each thread once,
// or every call from N on. A read or write may instead go through and report half of what it
// transferred, or wait for a signal and fail with EINTR, as a slow file system interrupted does.
// Tests sweep the choice over every call a run makes and check what the run answers.
#pragma once

#include <cstddef>
#include <cstdint>

enum class FaultMode : unsigned char {
    Once,        // call N of each thread fails
    FromThenOn,  // call N and every later one fails
    Short,       // call N, a read or a write, transfers half and reports it
    Hang,        // the run's first read or write from call N on waits for a signal, then fails
                 // with EINTR
    HangListing, // the same for the run's first read of a folder's names
};

struct FaultPlan {
    std::uint64_t failingCall;  // counted from 1 in each thread; 0 fails none
    int error;                  // the errno the failing call leaves
    FaultMode mode;
};

// Starts counting afresh under the plan.
void planFault(const FaultPlan& plan);
// The most calls one thread has made since the plan, and how many faults were injected.
std::uint64_t faultableCalls();
std::uint64_t faultsInjected();

enum class CallKind : unsigned char { Other, Read, Write, List };

// For the system calls: -1 with errno set when this call is to fail, 0 when it goes through. Short
// halves a read's *size (a write that comes short is written on by its caller: no fault); Hang
// holds a read or a write, HangListing a read of names.
int injectFault(CallKind kind, std::size_t* size = nullptr);

#ifdef QUENDLE_FAULT_INJECTION
#define QUENDLE_INJECT_FAULT(...) injectFault(__VA_ARGS__)
#else
#define QUENDLE_INJECT_FAULT(...) 0
#endif
