// Threads that list the folders of a tree ahead of the run. The planning thread asks for a level
// and later awaits it; a level nobody has taken up yet is listed by the one awaiting it, so that
// awaiting never waits on a queue.
#pragma once

#include "guarded_mutex.h"
#include "level_listing.h"

#include <condition_variable>
#include <thread>

class FolderListers : public LevelListing {
public:
    static constexpr int maxThreads = 8;

    explicit FolderListers(const ListingRules& rules);
    // Stops the threads once the levels they are listing are done; queued levels stay unlisted.
    ~FolderListers() override;
    FolderListers(const FolderListers&) = delete;
    FolderListers& operator=(const FolderListers&) = delete;

    // Starts up to `count` threads (at most maxThreads): 0 when at least one runs.
    [[nodiscard]] int start(int count);
    int listerCount() const override { return count; }
    // Queues a level made by newLevel, to be listed by the first thread free.
    void request(TreeLevel* level) override EXCLUDES(lock);
    // Returns once the level is listed.
    void await(TreeLevel* level) override EXCLUDES(lock);
    // No lister holds a descriptor from the return of pause until resume: a pair compared alone for
    // want of descriptors gets them all. Levels awaited meanwhile are listed by the one awaiting.
    void pause() override EXCLUDES(lock);
    void resume() override EXCLUDES(lock);

private:
    void work() EXCLUDES(lock);
    // Lists a level taken from the queue with the lock let go meanwhile; `listing` counts it.
    void listUnlocked(TreeLevel* level) REQUIRES(lock);

    // Set before the threads start, read by them.
    const ListingRules rules;
    std::thread threads[maxThreads];
    int count;
    // Guards the queue and the listing state here, and each level's state and nextQueued (see
    // TreeLevel).
    GuardedMutex lock;
    std::condition_variable_any queued;
    std::condition_variable_any listed;
    TreeLevel* first GUARDED_BY(lock);  // the queue, through nextQueued
    TreeLevel* last GUARDED_BY(lock);
    bool stopping GUARDED_BY(lock);
    bool paused GUARDED_BY(lock);
    int listing GUARDED_BY(lock);  // levels being listed by the threads
};
