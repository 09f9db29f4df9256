// Stepping a planned job with several file pairs compared at once, for qdlcheck. The main thread
// takes the pairs in list order and records every result in that order; worker threads open and
// compare the file pairs in between. The codes, counters, bytes and log therefore match the
// one-at-a-time run of compareStep, and a run ended after any recorded pair holds nothing of the
// pairs behind it, whatever the workers have already found there.
//
// What holds at every moment, and who may touch what:
// - Only the main thread (the one calling step) takes pairs, records them and touches the job:
//   its list, cursor, work paths, counters and buffers. recorded <= taken <= recorded + window.
//   The fields only it touches are its role's (mainThread), which the Clang build checks.
// - The file pairs taken and not yet claimed are the fileQueue entries [nextToClaim, filesTaken).
//   Each is claimed by exactly one worker (a compare-exchange of nextToClaim moves past a run of
//   them, the worker's share). From its claim until
//   it sets `compared`, the pair's outcome and `alone` are the worker's; the main thread reads them
//   only after it has seen `compared`, and reuses the slot only after recording it. A worker never
//   looks at a slot it has not claimed: any other slot may be recorded and reused at any moment.
// - A file pair's paths are in a slot of the path pool from its taking until the worker is done
//   with it (`compared` seen, and not to be compared alone): the main thread then gives the slot
//   back when it needs one, so that a large file at the head of the window holds one slot, not all.
//   Its records stay in the list, whose blocks outlive every pair not yet recorded.
// - Publishing is release/acquire: filesTaken publishes the pairs' records and paths to the
//   workers, `compared` publishes an outcome to the main thread.
// - busyWorkers counts the workers that may hold descriptors: a worker counts itself before its
//   first claim and stays counted from pair to pair; it gives up its folders' descriptors before
//   it stops counting itself, when it finds nothing to claim or the run paused.
// - Three handshakes pair a store on one side with a load on the other, and the reverse on the
//   other side; they are sequentially consistent, so that at least one side sees the other's
//   store (with acquire/release both could miss each other):
//   paused / busyWorkers    while paused, once busyWorkers is seen at 0, no worker holds a pair
//                           or a descriptor and none claims one: the pair compared alone has
//                           every descriptor;
//   filesTaken / idleWorkers a worker says it is idle before it sleeps, the main thread reads that
//                           after publishing: a worker never sleeps past work it could claim;
//   compared / mainWaiting  the same for the main thread waiting for the pair at the head.
//   Weakened, a wake-up is lost: a worker sleeps for good beside work (the run hangs), which
//   ThreadSanitizer does not see, as no data race is involved.
// - `abandoned` is set under the lock (waking every sleeper) and read relaxed in the compare loop:
//   a worker stops at its next chunk at the latest.
#pragma once

#include "guarded_mutex.h"
#include "job_stepper.h"
#include "qdl_core.h"
#include "stepper.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// One pair between its taking and its recording: a small record, so that the window holds many.
struct PairInFlight {
    ListCursor slot;  // the cursor just behind the pair
    PairOutcome outcome;
    // What the worker has added to the bytes in flight for it; taken off again when it is recorded.
    std::uint64_t inFlightBytes;
    // Its records, where the list keeps them.
    const FindRecord* source;
    const FindRecord* destination;
    std::int32_t paths;  // its slot in the path pool; noPaths when it has none
    bool toCompare;  // a file pair for the workers; anything else was settled when it was taken
    // The outcome is final, or alone is set; false while a file pair waits for or is with a worker.
    std::atomic<bool> compared;
    // A file did not open while other pairs had theirs open, for want of descriptors: the pair is
    // compared again when it is next to be recorded, with no other file of the run open, as one
    // pair at a time would compare it.
    bool alone;
};

struct PairPaths {
    char source[pathRoom];
    char destination[pathRoom];
};

// The pairs a worker claims at once: one handoff for many small pairs of a folder.
constexpr int claimedAtOnce = wholeFileReadsMost / 2;

struct CompareWorker {
    std::thread thread;
    int index;  // workers from the number of cores on wait in reserve while reads are quick
    // A large pair's chunks, or the small pairs of a batch packed one behind the other.
    unsigned char sourceBuffer[workerChunk + 4];
    unsigned char destinationBuffer[workerChunk + 4];
    PairInFlight* claimed[claimedAtOnce];
    PairInFlight* batched[claimedAtOnce];
    WholeFileRead reads[2 * claimedAtOnce];  // each batched pair's source, then its destination
};

class ParallelStepper final : public JobStepper {
public:
    // Pairs taken ahead of the one to be recorded next: enough to keep every worker busy behind a
    // large file, little enough to stay a small, fixed amount of memory.
    static constexpr int window = 4096;
    // File pairs whose paths are held at once: those queued and those with a worker.
    static constexpr int pathSlots = 256;
    static constexpr std::int32_t noPaths = -1;

    explicit ParallelStepper(QdlCore& job);
    ~ParallelStepper() override;
    ParallelStepper(const ParallelStepper&) = delete;
    ParallelStepper& operator=(const ParallelStepper&) = delete;

    // Starts up to `workers` threads, once: 0 when at least one runs, 1 when none could be started.
    [[nodiscard]] int start(int workers);
    // Records the next pair in list order, waiting a little for its comparison: 0 while there is
    // more to do (whether or not a pair was recorded), 1 once the list is exhausted. A pair
    // compared alone is compared here, one chunk per call, like compareStep.
    int step() override;
    // Ends every comparison, closing their files, and the workers; pairs not recorded stay so.
    // Also done on destruction.
    void abandon();
    // The bytes the workers have compared in pairs not yet recorded, and the source name of the
    // file pair to be recorded next (none when that is no file pair). The job's currentName is not
    // kept, as pairs are taken far ahead of their comparison.
    std::uint64_t bytesInFlight() const override { return inFlight.load(std::memory_order_relaxed); }
    const char* nameInProgress() const override;

private:
    void takeAhead() REQUIRES(mainThread);
    // A free slot of the path pool, giving back those of the pairs the workers are done with:
    // noPaths when every slot is still in use.
    std::int32_t freePaths() REQUIRES(mainThread);
    void record(PairInFlight& pair) REQUIRES(mainThread);
    int startAlone(PairInFlight& pair) REQUIRES(mainThread);
    void endAlone(PairInFlight& pair) REQUIRES(mainThread);
    template <typename Ready>
    bool waitBriefly(Ready ready) REQUIRES(mainThread);
    void wakeMain();
    void work(CompareWorker& worker);
    // The next pairs for a worker, up to claimedAtOnce of them and its share of those waiting:
    // how many; 0 once abandoned. The worker is counted busy (holding) from its first claim until
    // it has nothing to claim.
    int claimPairs(const CompareWorker& worker, bool& holding, PairInFlight** claimed);
    // Whether reads waited on the disk lately: the workers in reserve then claim pairs too.
    bool readsWaitLately() const;
    // Tells of a read of files that took from start until now, for the reserve.
    void noteReadTime(std::chrono::steady_clock::time_point start, int files);
    void compareInWorker(PairInFlight& pair, PairComparison& comparison);
    // The batched pairs read whole in one go where the platform offers it, each published.
    void compareBatch(CompareWorker& worker, int count, PairComparison& comparison);
    void publish(PairInFlight& pair);
    PairInFlight& at(std::uint64_t index) { return pairs[index % window]; }
    const PairInFlight& at(std::uint64_t index) const { return pairs[index % window]; }

    // The thread that steps the job; its fields are its own.
    ThreadRole mainThread;
    QdlCore& job;
    // The pair compared alone, on this thread, its chunks read into the job's buffers.
    PairComparison pairAlone GUARDED_BY(mainThread);
    PairInFlight pairs[window];
    PairPaths paths[pathSlots];
    std::int32_t freeSlots[pathSlots] GUARDED_BY(mainThread);  // the slots not in use
    int freeCount GUARDED_BY(mainThread);
    CompareWorker* workers;
    int workerCount;
    int workersWanted;  // set before the first worker starts: what claims are shared among
    // As many workers as cores claim pairs from cached files: more would only wait for each other.
    // The others are in reserve for a disk that makes reads wait, which more reads in flight serve.
    int workersOnCores;
    std::atomic<std::int64_t> lastReadWait;  // when a read last waited on the disk (steady clock)
    // The next pair to record, the end of the pairs taken, of the file pairs.
    std::uint64_t recorded GUARDED_BY(mainThread);
    std::uint64_t taken GUARDED_BY(mainThread);
    std::uint64_t filesQueued GUARDED_BY(mainThread);
    bool listEnded GUARDED_BY(mainThread);
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
    // lock to wake it only when someone sleeps (the handshakes above). The lock guards no field:
    // the atomics carry the state, the lock orders a sleep and its wake-up.
    std::mutex lock;
    std::condition_variable pairsTaken;
    std::condition_variable pairCompared;
    std::condition_variable reserveCalled;
    std::atomic<int> idleWorkers;
    std::atomic<bool> mainWaiting;
};
