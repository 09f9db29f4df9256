// Rank 0's side of listing elsewhere: the levels the run requests go, one at a time, to whichever
// other rank is free, and come back listed, their small pairs compared. A level's large pairs are
// then cut into ranges, which go to the free ranks before any level does; the level is listed once
// every range is back. One thread of its own carries every message while the run goes on, so that
// the transport is called by one thread at a time.
#pragma once

#include "engine/guarded_mutex.h"
#include "engine/level_listing.h"
#include "pair_chunks.h"
#include "ranks/rank_transport.h"

#include <atomic>
#include <cstddef>
#include <condition_variable>
#include <thread>

class RemoteListers : public ListingElsewhere {
public:
    // lostContact is called, once, on the messages thread when the transport fails: the run must
    // end as interrupted, since the levels in flight then come back as listing stopped.
    // Levels listed ahead hold up to aheadBytes of entries; beyond it only the level the run
    // awaits is handed out. Large pairs go out in ranges of rangeBytes.
    RemoteListers(RankTransport& transport, void (*lostContact)(), std::size_t aheadBytes = defaultAheadBytes,
                  std::uint64_t rangeBytes = defaultRangeBytes);
    static constexpr std::size_t defaultAheadBytes = std::size_t{64} << 20;
    ~RemoteListers() override;
    RemoteListers(const RemoteListers&) = delete;
    RemoteListers& operator=(const RemoteListers&) = delete;

    int listerCount() const override { return transport.ranks() - 1; }
    int begin(const ListingRules& rules, std::uint64_t timeWindow) override EXCLUDES(lock);
    void request(TreeLevel* level) override EXCLUDES(lock);
    void await(TreeLevel* level) override EXCLUDES(lock);
    bool listed(TreeLevel* level) override EXCLUDES(lock);
    void withdraw(TreeLevel* level) override EXCLUDES(lock);
    // The descriptors of other processes are theirs.
    void pause() override {}
    void resume() override {}

    // Once the run is over: ends the messages thread and each other rank's service, 0; 1 when the
    // transport failed on the way, or the run was stopped by the user or a signal (the other ranks
    // may be gone, and are not waited for).
    int finish() EXCLUDES(lock);

private:
    void carry() EXCLUDES(lock);
    // Sends ranges, then queued levels, to free ranks, the awaited level's first; only the awaited
    // level once the levels back hold aheadBytes: 0; 1 when the transport failed.
    int handOut() REQUIRES(lock);
    // The cut level whose ranges go out next: the awaited level's, else the first with any left.
    CutLevel* nextToCut() REQUIRES(lock);
    // A level whose every range is back: its large pairs settled, it is listed (or dropped).
    void endCut(CutLevel* cut) REQUIRES(lock);
    // A level the run no longer awaits: off the queue, or what comes back for it dropped.
    void letGo(TreeLevel* level) REQUIRES(lock);
    // Marks every level queued or in flight as listing stopped.
    void giveUp() REQUIRES(lock);

    RankTransport& transport;
    void (*const lostContact)();
    const std::size_t aheadBytes;
    const std::uint64_t rangeBytes;
    std::thread thread;
    // The main thread's.
    bool carrying = false;  // the messages thread runs
    bool finished = false;
    const std::atomic<bool>* stop = nullptr;  // the user's request to stop the run
    RankMessage outgoing{};  // the messages thread's, or the main thread's when it is not running
    RankMessage incoming{};
    GuardedMutex lock;
    std::condition_variable_any changed;
    TreeLevel* first GUARDED_BY(lock) = nullptr;  // the queue, through nextQueued
    TreeLevel* last GUARDED_BY(lock) = nullptr;
    TreeLevel** inFlight GUARDED_BY(lock) = nullptr;  // per rank, the level it lists, if any
    struct RangeOut {
        CutLevel* cut;
        std::int32_t range;
    };
    RangeOut* rangesOut GUARDED_BY(lock) = nullptr;  // per rank, the range it compares, if any
    CutLevel* cuts GUARDED_BY(lock) = nullptr;       // levels whose ranges are out, through next
    int busy GUARDED_BY(lock) = 0;
    std::size_t heldBytes GUARDED_BY(lock) = 0;  // of levels back (ranges out or listed), not yet awaited
    const TreeLevel* awaited GUARDED_BY(lock) = nullptr;
    bool ending GUARDED_BY(lock) = false;
    bool lost GUARDED_BY(lock) = false;
};
