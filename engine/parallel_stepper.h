// Stepping a planned job with several file pairs compared at once, for qdlcheck. The main thread
// takes the pairs in list order and records every result in that order; worker threads open and
// compare the file pairs in between. The codes, counters, bytes and log therefore match the
// one-at-a-time run of compareStep, and a run ended after any recorded pair holds nothing of the
// pairs behind it, whatever the workers have already found there.
#pragma once

#include "qdl_core.h"
#include "stepper.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// One pair between its taking and its recording.
struct PairInFlight {
    ListCursor slot;  // the cursor just behind the pair
    PairOutcome outcome;
    bool toCompare;  // a file pair for the workers; anything else was settled when it was taken
    // The outcome is final, or alone is set; false while a file pair waits for or is with a worker.
    std::atomic<bool> compared;
    // A file did not open while other pairs had theirs open, for want of descriptors: the pair is
    // compared again when it is next to be recorded, with no other file of the run open, as one
    // pair at a time would compare it.
    bool alone;
    FindRecord source;
    FindRecord destination;
    char sourcePath[pathRoom];
    char destinationPath[pathRoom];
};

struct CompareWorker {
    std::thread thread;
    unsigned char sourceBuffer[chunkSize + 4];
    unsigned char destinationBuffer[chunkSize + 4];
};

class ParallelStepper {
public:
    static constexpr int maxWorkers = 64;
    // Pairs taken ahead of the one to be recorded next: enough to keep every worker busy behind a
    // large file, little enough to stay a small, fixed amount of memory.
    static constexpr int window = 256;

    explicit ParallelStepper(QdlCore& job);
    ~ParallelStepper();
    ParallelStepper(const ParallelStepper&) = delete;
    ParallelStepper& operator=(const ParallelStepper&) = delete;

    // Starts up to `workers` threads: 0 when at least one runs, 1 when none could be started.
    int start(int workers);
    // Records the next pair in list order, waiting a little for its comparison: 0 while there is
    // more to do (whether or not a pair was recorded), 1 once the list is exhausted. A pair
    // compared alone goes through currentPair, one chunk per call, like compareStep.
    int step();
    // Ends every comparison of the workers, closing their files, and the workers; pairs not
    // recorded stay Pending. Also done on destruction. The pair in currentPair is the caller's.
    void abandon();
    // For a progress display: the bytes the workers have compared in pairs not yet recorded, and
    // the source name of the file pair to be recorded next (none when that is no file pair). The
    // job's currentName is not kept, as pairs are taken far ahead of their comparison.
    std::uint64_t bytesInFlight() const { return inFlight.load(std::memory_order_relaxed); }
    const char* nameToRecord();

private:
    void takeAhead();
    void record(PairInFlight& pair);
    int startAlone(PairInFlight& pair);
    void endAlone(PairInFlight& pair);
    template <typename Ready>
    bool waitBriefly(Ready ready);
    void wakeMain();
    void work(CompareWorker& worker);
    // The next pair for a worker, counted busy until it is compared; null once abandoned.
    PairInFlight* claimPair();
    void compareInWorker(PairInFlight& pair, PairComparison& comparison);
    PairInFlight& at(std::uint64_t index) { return pairs[index % window]; }

    QdlCore& job;
    PairInFlight pairs[window];
    CompareWorker* workers;
    int workerCount;
    // Main thread only: the next pair to record, the end of the pairs taken, of the file pairs.
    std::uint64_t recorded;
    std::uint64_t taken;
    std::uint64_t filesQueued;
    bool listEnded;
    // The indices of the file pairs, in list order. Workers see only these: a slot of anything else
    // may be recorded and reused by the main thread at any moment, while a file pair's slot is not
    // recorded before the worker that claimed it is done with it.
    std::uint64_t fileQueue[window];
    std::atomic<std::uint64_t> filesTaken;   // entries of fileQueue there for the workers
    std::atomic<std::uint64_t> nextToClaim;  // the next entry of fileQueue a worker takes
    std::atomic<bool> abandoned;
    std::atomic<bool> paused;        // no pair is claimed while one is compared alone
    std::atomic<int> busyWorkers;    // workers holding a pair
    std::atomic<std::uint64_t> inFlight;
    // Waiting is the exception: a worker with nothing to claim, the main thread before a pair that
    // is still being compared. Each says so before it sleeps, so that the other side takes the
    // lock to wake it only when someone sleeps.
    std::mutex lock;
    std::condition_variable pairsTaken;
    std::condition_variable pairCompared;
    std::atomic<int> idleWorkers;
    std::atomic<bool> mainWaiting;
};
