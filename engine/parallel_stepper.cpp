#include "parallel_stepper.h"

#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

ParallelStepper::ParallelStepper(QdlCore& job)
    : job(job), workers(nullptr), workerCount(0), recorded(0), listEnded(false), taken(0),
      nextToClaim(0), abandoned(false), inFlight(0), idleWorkers(0), headAwaited(false) {}

ParallelStepper::~ParallelStepper() {
    abandon();
    delete[] workers;
}

int ParallelStepper::start(int count) {
    workers = new (std::nothrow) CompareWorker[count];
    if (workers == nullptr) return 1;
    // A thread the system refuses leaves the run to those already started.
    try {
        for (; workerCount < count; ++workerCount) {
            CompareWorker& worker = workers[workerCount];
            worker.thread = std::thread([this, &worker] { work(worker); });
        }
    } catch (const std::system_error&) {
    }
    return workerCount == 0 ? 1 : 0;
}

int ParallelStepper::step() {
    takeAhead();
    if (recorded == taken.load(std::memory_order_relaxed)) return listEnded ? 1 : 0;
    PairInFlight& head = at(recorded);
    if (!head.compared.load(std::memory_order_acquire)) {
        waitForHead(head);
        if (!head.compared.load(std::memory_order_acquire)) return 0;
    }
    if (head.outcome.settling == Settling::WithBytes)
        inFlight.fetch_sub(head.outcome.bytes, std::memory_order_relaxed);
    settlePair(job, head.slot, head.outcome);
    ++recorded;
    return 0;
}

// A bounded wait, so that the caller sees Ctrl-C while a large file is being compared.
void ParallelStepper::waitForHead(PairInFlight& head) {
    std::unique_lock<std::mutex> held(lock);
    headAwaited = true;
    pairCompared.wait_for(held, std::chrono::milliseconds(100),
                          [&] { return head.compared.load(std::memory_order_acquire); });
    headAwaited = false;
}

void ParallelStepper::abandon() {
    {
        std::lock_guard<std::mutex> held(lock);
        abandoned = true;
    }
    pairsTaken.notify_all();
    for (int i = 0; i < workerCount; ++i) {
        if (workers[i].thread.joinable()) workers[i].thread.join();
    }
}

// Fills the window with the pairs that follow in the list. Only the main thread takes pairs and
// moves the work paths; a pair reaches the workers when `taken` passes it.
void ParallelStepper::takeAhead() {
    const std::uint64_t first = taken.load(std::memory_order_relaxed);
    std::uint64_t end = first;
    while (!listEnded && end - recorded < window) {
        PairInFlight& pair = at(end);
        if (takePair(job, pair.destination, &pair.outcome) != 0) {
            listEnded = true;
            break;
        }
        pair.slot = job.pairs.cursor();
        const bool toCompare = pair.outcome.code == Pending;
        if (toCompare) {
            pair.source = job.currentSource;
            std::memcpy(pair.sourcePath, job.workSource, pathRoom);
            std::memcpy(pair.destinationPath, job.workDestination, pathRoom);
            job.stats.currentName = job.currentSource.name;
        }
        pair.compared.store(!toCompare, std::memory_order_relaxed);
        ++end;
    }
    if (end == first) return;
    taken.store(end);  // publishes the pairs, their records and paths
    if (idleWorkers.load() != 0) {
        std::lock_guard<std::mutex> held(lock);
        pairsTaken.notify_all();
    }
}

PairInFlight* ParallelStepper::claimPair() {
    for (;;) {
        std::uint64_t index = nextToClaim.load(std::memory_order_relaxed);
        if (abandoned.load(std::memory_order_relaxed)) return nullptr;
        if (index < taken.load()) {
            PairInFlight& pair = at(index);
            if (!nextToClaim.compare_exchange_weak(index, index + 1)) continue;
            if (!pair.compared.load(std::memory_order_acquire)) return &pair;
            continue;  // settled when it was taken: a folder, a marker, a missing destination
        }
        std::unique_lock<std::mutex> held(lock);
        ++idleWorkers;
        pairsTaken.wait(held, [&] { return abandoned || index < taken.load(); });
        --idleWorkers;
    }
}

void ParallelStepper::work(CompareWorker& worker) {
    PairComparison comparison{nullptr, nullptr, 0, 0, worker.sourceBuffer, worker.destinationBuffer};
    for (PairInFlight* pair; (pair = claimPair()) != nullptr;) {
        PairOutcome& outcome = pair->outcome;
        outcome.code = openPair(comparison, pair->sourcePath, pair->destinationPath, pair->source,
                                pair->destination);
        std::uint64_t shown = 0;
        if (outcome.code == Pending) outcome.bytes = 0;
        while (outcome.code == Pending && !abandoned.load(std::memory_order_relaxed)) {
            outcome.code = comparePairChunk(comparison, pair->source, pair->destination,
                                            &outcome.bytes);
            inFlight.fetch_add(outcome.bytes - shown, std::memory_order_relaxed);
            shown = outcome.bytes;
        }
        closePair(comparison);
        if (outcome.code == Pending) continue;  // abandoned
        inFlight.fetch_add(outcome.bytes - shown, std::memory_order_relaxed);
        pair->compared.store(true, std::memory_order_release);
        if (headAwaited.load()) {
            std::lock_guard<std::mutex> held(lock);
            pairCompared.notify_one();
        }
    }
    releaseFolderCache();
}
