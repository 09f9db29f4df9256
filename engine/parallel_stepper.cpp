#include "parallel_stepper.h"

#include "misuse.h"
#include "platform/thread_calls.h"
#include "platform/test_points.h"
#include "tree_plan.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
constexpr auto acquire = std::memory_order_acquire;
// The handshakes of the header: a store before a load on both sides.
constexpr auto handshake = std::memory_order_seq_cst;

using Clock = std::chrono::steady_clock;
// A read slower than this waited on the disk: a cached file takes a few microseconds.
constexpr auto readWaitPerFile = std::chrono::microseconds(40);
constexpr auto readWaitAtLeast = std::chrono::microseconds(500);
// The reserve works on for this long after the last read that waited, and looks again this often.
constexpr auto reserveKeptFor = std::chrono::milliseconds(500);
constexpr auto reserveLooksEvery = std::chrono::milliseconds(20);
}  // namespace

ParallelStepper::ParallelStepper(QdlCore& job)
    : job(job), pairAlone{}, freeCount(pathSlots), workers(nullptr), workerCount(0), workersWanted(1), workersOnCores(1),
      lastReadWait(std::numeric_limits<std::int64_t>::min() / 2), recorded(0),
      taken(0), filesQueued(0),
      listEnded(false), fileQueue{}, filesTaken(0), nextToClaim(0), abandoned(false),
      paused(false), busyWorkers(0), inFlight(0), idleWorkers(0), mainWaiting(false) {
    JobState& state = writableState(job);
    pairAlone.sourceBuffer = state.sourceBuffer;
    pairAlone.destinationBuffer = state.destinationBuffer;
    pairAlone.chunk = chunkSize;
    pairAlone.timeWindow = job.options.timeWindow;
    for (std::int32_t slot = 0; slot < pathSlots; ++slot) freeSlots[slot] = slot;
}

ParallelStepper::~ParallelStepper() {
    abandon();
    delete[] workers;
}

int ParallelStepper::start(int count) {
    QUENDLE_EXPECT(workers == nullptr, "a stepper's workers are started once");
    workers = new (std::nothrow) CompareWorker[count];
    if (workers == nullptr) return 1;
    workersWanted = count;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    workersOnCores = cores > 0 && cores < count ? cores : count;
    // A thread the system refuses leaves the run to those already started.
    try {
        for (; workerCount < count; ++workerCount) {
            CompareWorker& worker = workers[workerCount];
            worker.index = workerCount;
            worker.thread = std::thread([this, &worker] { work(worker); });
        }
    } catch (const std::system_error&) {
    }
    return workerCount == 0 ? 1 : 0;
}

int ParallelStepper::step() {
    mainThread.enter();
    PairInFlight& head = at(recorded);
    if (pairAlone.sourceHandle != nullptr) {
        head.outcome.code = comparePairChunk(pairAlone, *head.source, *head.destination,
                                             &head.outcome.bytes, &head.outcome.read);
        head.outcome.firstDifference = pairAlone.firstDifference;
        head.outcome.fault = pairAlone.fault;
        if (head.outcome.code != pairGoesOn) endAlone(head);
        return 0;
    }
    takeAhead();
    if (recorded == taken) return listEnded ? 1 : 0;
    if (!waitBriefly([&] { return head.compared.load(handshake); })) return 0;
    if (head.alone) return startAlone(head);
    if (head.toCompare) inFlight.fetch_sub(head.inFlightBytes, relaxed);
    record(head);
    return 0;
}

const char* ParallelStepper::nameInProgress() const {
    mainThread.enter();
    if (recorded == taken) return nullptr;
    const PairInFlight& head = at(recorded);
    return head.toCompare ? head.source->name : nullptr;
}

void ParallelStepper::record(PairInFlight& pair) {
    settlePair(job, pair.slot, pair.outcome);
    if (pair.paths != noPaths) freeSlots[freeCount++] = pair.paths;
    pair.paths = noPaths;
    ++recorded;
}

std::int32_t ParallelStepper::freePaths() {
    if (freeCount == 0) {
        for (std::uint64_t index = recorded; index < taken; ++index) {
            PairInFlight& pair = at(index);
            // Acquiring `compared` orders the worker's last use of the paths before their reuse.
            if (pair.paths == noPaths || !pair.compared.load(acquire) || pair.alone) continue;
            freeSlots[freeCount++] = pair.paths;
            pair.paths = noPaths;
        }
    }
    return freeCount == 0 ? noPaths : freeSlots[--freeCount];
}

// Once every worker has put its pair down, the pair is opened here as the pair in progress.
int ParallelStepper::startAlone(PairInFlight& pair) {
    paused.store(true, handshake);
    pauseTreeListing(job);
    if (!waitBriefly([&] { return busyWorkers.load(handshake) == 0; })) return 0;
    const PairPaths& named = paths[pair.paths];
    pair.outcome.code = openPair(pairAlone, named.source, named.destination, *pair.source,
                                 *pair.destination);
    if (pair.outcome.code == pairGoesOn) {
        pair.outcome.bytes = pair.outcome.read = 0;
    } else {
        pair.outcome.fault = pairAlone.fault;
        endAlone(pair);
    }
    return 0;
}

void ParallelStepper::endAlone(PairInFlight& pair) {
    pair.alone = false;
    record(pair);
    {
        std::lock_guard<std::mutex> held(lock);
        paused.store(false, handshake);
    }
    pairsTaken.notify_all();
    resumeTreeListing(job);
}

// A bounded wait, so that the caller sees Ctrl-C while a large file is being compared.
template <typename Ready>
bool ParallelStepper::waitBriefly(Ready ready) {
    if (ready()) return true;
    std::unique_lock<std::mutex> held(lock);
    mainWaiting.store(true, handshake);
    const bool result = pairCompared.wait_for(held, std::chrono::milliseconds(100), ready);
    mainWaiting.store(false, relaxed);
    return result;
}

void ParallelStepper::wakeMain() {
    if (!mainWaiting.load(handshake)) return;
    std::lock_guard<std::mutex> held(lock);
    pairCompared.notify_one();
}

void ParallelStepper::abandon() {
    mainThread.enter();
    // The folders the main thread looked up in are no use to it now, and a thread that ends may
    // need a descriptor (a sanitizer's check of it does).
    releaseThreadFolders();
    {
        std::lock_guard<std::mutex> held(lock);
        abandoned.store(true, relaxed);
    }
    pairsTaken.notify_all();
    reserveCalled.notify_all();
    // A worker blocked in a slow read gives way where the system lets it.
    for (int i = 0; i < workerCount; ++i) interruptBlockedCall(workers[i].thread);
    for (int i = 0; i < workerCount; ++i) {
        if (workers[i].thread.joinable()) workers[i].thread.join();
    }
    closePair(pairAlone);
}

// Fills the window with the pairs that follow in the list. Only the main thread takes pairs and
// moves the work paths; a file pair reaches the workers when filesTaken passes its entry.
void ParallelStepper::takeAhead() {
    const std::uint64_t files = filesQueued;
    FindRecord destination;
    while (!listEnded && taken - recorded < window) {
        // Whatever comes next may be a file pair: its paths need a slot before it is taken.
        const std::int32_t slot = freePaths();
        if (slot == noPaths) break;
        PairInFlight& pair = at(taken);
        // With pairs to record, the run does not wait for a folder another process still holds.
        if (const int took = takePair(job, destination, &pair.outcome, taken == recorded); took != 0) {
            freeSlots[freeCount++] = slot;
            listEnded = took == 1;
            break;
        }
        pair.slot = job.pairs.cursor();
        pair.alone = false;
        pair.toCompare = pair.outcome.code == pairGoesOn;
        pair.paths = noPaths;
        if (pair.toCompare) {
            pair.source = &job.pairs.sourceBefore(pair.slot);
            pair.destination = &job.pairs.destinationBefore(pair.slot);
            pair.paths = slot;
            std::memcpy(paths[slot].source, job.workSource, pathRoom);
            std::memcpy(paths[slot].destination, job.workDestination, pathRoom);
            fileQueue[filesQueued++ % window] = taken;
        } else {
            freeSlots[freeCount++] = slot;
        }
        pair.inFlightBytes = 0;
        pair.compared.store(!pair.toCompare, relaxed);
        ++taken;
    }
    if (filesQueued == files) return;
    filesTaken.store(filesQueued, handshake);  // publishes the pairs, their records and paths
    if (idleWorkers.load(handshake) != 0) {
        std::lock_guard<std::mutex> held(lock);
        pairsTaken.notify_all();
    }
}

bool ParallelStepper::readsWaitLately() const {
    const std::int64_t now = Clock::now().time_since_epoch().count();
    return now - lastReadWait.load(relaxed) < Clock::duration(reserveKeptFor).count();
}

void ParallelStepper::noteReadTime(Clock::time_point start, int files) {
    if (workersOnCores == workerCount || Clock::now() - start < readWaitAtLeast + files * readWaitPerFile) return;
    const bool called = readsWaitLately();
    lastReadWait.store(Clock::now().time_since_epoch().count(), relaxed);
    if (!called) reserveCalled.notify_all();
}

int ParallelStepper::claimPairs(const CompareWorker& worker, bool& holding, PairInFlight** claimed) {
    for (;;) {
        if (!holding) {
            busyWorkers.fetch_add(1, handshake);
            holding = true;
        }
        if (abandoned.load(relaxed)) break;
        const bool inReserve = worker.index >= workersOnCores && !readsWaitLately();
        if (!paused.load(handshake) && !inReserve) {
            std::uint64_t entry = nextToClaim.load(relaxed);
            // Acquiring filesTaken makes the claimed pairs' records and paths visible here. A share
            // counts the workers in reserve too: shared among those on the cores alone, eight large
            // files went four to each and took a fifth longer.
            for (std::uint64_t end; entry < (end = filesTaken.load(acquire));) {
                const std::uint64_t share = std::clamp<std::uint64_t>(
                    (end - entry) / static_cast<std::uint64_t>(workersWanted), 1, claimedAtOnce);
                if (!nextToClaim.compare_exchange_weak(entry, entry + share, relaxed, relaxed)) continue;
                for (std::uint64_t k = 0; k < share; ++k) claimed[k] = &at(fileQueue[(entry + k) % window]);
                return static_cast<int>(share);
            }
        }
        // A worker that waits holds no folder: the pair compared alone may need every descriptor,
        // and closes the folders nobody holds. It lets them go before it stops counting itself.
        releaseThreadFolders();
        busyWorkers.fetch_sub(1, handshake);
        holding = false;
        wakeMain();
        std::unique_lock<std::mutex> held(lock);
        if (inReserve) {
            // Called when a read waits; it looks again now and then, as the disk may have become
            // slow while it slept.
            reserveCalled.wait_for(held, reserveLooksEvery,
                                   [&] { return abandoned.load(relaxed) || readsWaitLately(); });
            continue;
        }
        idleWorkers.fetch_add(1, handshake);
        pairsTaken.wait(held, [&] {
            return abandoned.load(relaxed) ||
                   (!paused.load(relaxed) && nextToClaim.load(relaxed) < filesTaken.load(handshake));
        });
        idleWorkers.fetch_sub(1, relaxed);
    }
    releaseThreadFolders();
    busyWorkers.fetch_sub(1, handshake);
    holding = false;
    return 0;
}

void ParallelStepper::compareInWorker(PairInFlight& pair, PairComparison& comparison) {
    PairOutcome& outcome = pair.outcome;
    const PairPaths& named = paths[pair.paths];
    outcome.code = openPair(comparison, named.source, named.destination, *pair.source,
                            *pair.destination);
    if (outcome.code != pairGoesOn) {
        pair.alone = openMayWorkAlone(GetLastError());
        outcome.fault = comparison.fault;
        return;
    }
    outcome.bytes = outcome.read = 0;
    while (outcome.code == pairGoesOn && !comparison.interrupted && !abandoned.load(relaxed)) {
        QUENDLE_PAUSE_POINT("chunk-step");
        const std::uint64_t before = outcome.bytes;
        const Clock::time_point start = Clock::now();
        outcome.code = comparePairChunk(comparison, *pair.source, *pair.destination, &outcome.bytes,
                                        &outcome.read);
        noteReadTime(start, 2);
        pair.inFlightBytes += outcome.bytes - before;
        inFlight.fetch_add(outcome.bytes - before, relaxed);
    }
    outcome.firstDifference = comparison.firstDifference;
    outcome.fault = comparison.fault;
    (void)closePair(comparison);
}

void ParallelStepper::compareBatch(CompareWorker& worker, int count, PairComparison& comparison) {
    unsigned char* const sourceBuffer = comparison.sourceBuffer;
    unsigned char* const destinationBuffer = comparison.destinationBuffer;
    const Clock::time_point start = Clock::now();
    const bool read = readWholeFiles(worker.reads, 2 * count) == 0;
    noteReadTime(start, 2 * count);
    for (int k = 0; k < count && !abandoned.load(relaxed); ++k) {
        PairInFlight& pair = *worker.batched[k];
        const WholeFileRead& source = worker.reads[2 * k];
        const WholeFileRead& destination = worker.reads[2 * k + 1];
        if (!read || source.readPlainly || destination.readPlainly) {
            compareInWorker(pair, comparison);
            publish(pair);
            continue;
        }
        PairOutcome& outcome = pair.outcome;
        comparison.sourceBuffer = source.buffer;
        comparison.destinationBuffer = destination.buffer;
        if (source.openError != 0 || destination.openError != 0) {
            outcome.code = judgeWholePair(comparison, *pair.source, *pair.destination, source, destination,
                                          &outcome.bytes, &outcome.read);
            pair.alone = openMayWorkAlone(source.openError != 0 ? source.openError : destination.openError);
        } else {
            outcome.bytes = outcome.read = 0;
            outcome.code = judgeWholePair(comparison, *pair.source, *pair.destination, source, destination,
                                          &outcome.bytes, &outcome.read);
            pair.inFlightBytes += outcome.bytes;
            inFlight.fetch_add(outcome.bytes, relaxed);
            outcome.firstDifference = comparison.firstDifference;
        }
        outcome.fault = comparison.fault;
        comparison.sourceBuffer = sourceBuffer;
        comparison.destinationBuffer = destinationBuffer;
        publish(pair);
    }
}

void ParallelStepper::publish(PairInFlight& pair) {
    // Publishes the outcome to the main thread, and is its half of compared / mainWaiting.
    if (pair.outcome.code != pairGoesOn || pair.alone) pair.compared.store(true, handshake);
    // The worst moment for a pair compared alone: this worker may still hold its folders.
    QUENDLE_PAUSE_POINT("worker-between-pairs");
    wakeMain();
}

void ParallelStepper::work(CompareWorker& worker) {
    PairComparison comparison{};
    comparison.sourceBuffer = worker.sourceBuffer;
    comparison.destinationBuffer = worker.destinationBuffer;
    comparison.chunk = workerChunk;
    comparison.timeWindow = job.options.timeWindow;
    const bool batches = wholeFileReadsOffered();
    bool holding = false;
    for (int count; (count = claimPairs(worker, holding, worker.claimed)) != 0;) {
        // Small pairs go into a batch, packed into the buffers; a large one is compared on its own,
        // after the batch before it, so that pairs are done roughly in their order.
        int batched = 0;
        std::uint32_t packed = 0;
        for (int k = 0; k < count && !abandoned.load(relaxed); ++k) {
            PairInFlight& pair = *worker.claimed[k];
            const std::uint32_t ask = batches ? wholePairAsk(*pair.source, *pair.destination) : noWholeAsk;
            // Each side's bytes with the comparison's slack, kept aligned.
            const std::uint32_t room = ask == noWholeAsk ? 0 : (ask + 4 + 7) / 8 * 8;
            if (batched > 0 && (ask == noWholeAsk || packed + room > workerChunk)) {
                compareBatch(worker, batched, comparison);
                batched = 0;
                packed = 0;
            }
            if (ask == noWholeAsk) {
                compareInWorker(pair, comparison);
                publish(pair);
                continue;
            }
            const PairPaths& named = paths[pair.paths];
            worker.reads[2 * batched] = {named.source, worker.sourceBuffer + packed, ask, 0, 0, 0, 0, 0, 0, 0, false};
            worker.reads[2 * batched + 1] = {named.destination, worker.destinationBuffer + packed, ask,
                                             0, 0, 0, 0, 0, 0, 0, false};
            worker.batched[batched++] = &pair;
            packed += room;
        }
        if (batched > 0 && !abandoned.load(relaxed)) compareBatch(worker, batched, comparison);
    }
}
