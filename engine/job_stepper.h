// What a front end steps a planned job with, whichever stepper stands behind it: pairs one at a
// time on the calling thread (compareStep), or several at once on worker threads (ParallelStepper).
// Both record the same codes, counts and bytes in list order.
#pragma once

#include "qdl_core.h"

#include <cstdint>

// The most pairs a run compares at once.
constexpr int maxPairsAtOnce = 64;
// Bytes these steppers read from each side at a time: large reads cost fewer calls on large files.
// The dialogs' own steps keep their smaller chunk, one a timer tick. Either way the answer is the
// same: the bytes read are counted in the dialogs' chunks.
constexpr int workerChunk = 131072;

class JobStepper {
public:
    virtual ~JobStepper() = default;
    // Records what is ready: 0 while there is more to do, 1 once the list is exhausted. Bounded, so
    // that the caller sees Ctrl-C and the stop rule between calls.
    [[nodiscard]] virtual int step() = 0;
    // For a progress display: bytes compared in pairs not yet recorded, and the source name of the
    // pair being compared (none when there is no such pair).
    virtual std::uint64_t bytesInFlight() const = 0;
    virtual const char* nameInProgress() const = 0;
};

// A stepper for the job comparing up to `pairsAtOnce` pairs at once: one at a time for 1, or when no
// worker thread could be started. None when there is no memory for it. Deleting it ends every
// comparison still open; pairs not recorded stay so.
[[nodiscard]] JobStepper* startStepper(QdlCore& job, int pairsAtOnce);
