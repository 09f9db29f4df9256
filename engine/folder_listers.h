// Threads that list the folders of a tree ahead of the run. The planning thread asks for a level
// and later awaits it; a level nobody has taken up yet is listed by the one awaiting it, so that
// awaiting never waits on a queue.
#pragma once

#include "folder_level.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class FolderListers {
public:
    static constexpr int maxThreads = 8;

    explicit FolderListers(const ListingRules& rules);
    // Stops the threads once the levels they are listing are done; queued levels stay unlisted.
    ~FolderListers();
    FolderListers(const FolderListers&) = delete;
    FolderListers& operator=(const FolderListers&) = delete;

    // Starts up to `count` threads (at most maxThreads): 0 when at least one runs.
    [[nodiscard]] int start(int count);
    int threadCount() const { return count; }
    // Queues a level made by newLevel, to be listed by the first thread free.
    void request(TreeLevel* level);
    // Returns once the level is listed.
    void await(TreeLevel* level);
    // No lister holds a descriptor from the return of pause until resume: a pair compared alone for
    // want of descriptors gets them all. Levels awaited meanwhile are listed by the one awaiting.
    void pause();
    void resume();

private:
    void work();
    // Lists a level taken from the queue with the lock let go meanwhile; `listing` counts it.
    void listUnlocked(std::unique_lock<std::mutex>& held, TreeLevel* level);

    const ListingRules rules;
    std::mutex lock;
    std::condition_variable queued;
    std::condition_variable listed;
    TreeLevel* first;  // the queue, through nextQueued
    TreeLevel* last;
    bool stopping;
    bool paused;
    int listing;  // levels being listed by the threads
    std::thread threads[maxThreads];
    int count;
};
