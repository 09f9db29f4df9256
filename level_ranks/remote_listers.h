// Rank 0's side of listing elsewhere: the levels the run requests go, one at a time, to whichever
// other rank is free, and come back listed. One thread of its own carries every message while the
// run goes on, so that the transport is called by one thread at a time.
#pragma once

#include "engine/guarded_mutex.h"
#include "engine/level_listing.h"
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
    // awaits is handed out.
    RemoteListers(RankTransport& transport, void (*lostContact)(), std::size_t aheadBytes = defaultAheadBytes);
    static constexpr std::size_t defaultAheadBytes = std::size_t{64} << 20;
    ~RemoteListers() override;
    RemoteListers(const RemoteListers&) = delete;
    RemoteListers& operator=(const RemoteListers&) = delete;

    int listerCount() const override { return transport.ranks() - 1; }
    int begin(const ListingRules& rules, std::uint64_t timeWindow) override EXCLUDES(lock);
    void request(TreeLevel* level) override EXCLUDES(lock);
    void await(TreeLevel* level) override EXCLUDES(lock);
    // The descriptors of other processes are theirs.
    void pause() override {}
    void resume() override {}

    // Once the run is over: ends the messages thread and each other rank's service, 0; 1 when the
    // transport failed on the way, or the run was stopped by the user or a signal (the other ranks
    // may be gone, and are not waited for).
    int finish() EXCLUDES(lock);

private:
    void carry() EXCLUDES(lock);
    // Sends queued levels to free ranks, the awaited one first, only it once the levels back hold
    // aheadBytes: 0; 1 when the transport failed.
    int handOut() REQUIRES(lock);
    // Marks every level queued or in flight as listing stopped.
    void giveUp() REQUIRES(lock);

    RankTransport& transport;
    void (*const lostContact)();
    const std::size_t aheadBytes;
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
    int busy GUARDED_BY(lock) = 0;
    std::size_t heldBytes GUARDED_BY(lock) = 0;  // of levels back and not yet awaited
    const TreeLevel* awaited GUARDED_BY(lock) = nullptr;
    bool ending GUARDED_BY(lock) = false;
    bool lost GUARDED_BY(lock) = false;
};
