#include "folder_listers.h"

#include "platform/thread_calls.h"
#include "platform/win32.h"

#include <system_error>

namespace {

enum LevelState { Queued = 1, Listing, Listed };

}  // namespace

FolderListers::FolderListers(const ListingRules& rules)
    : rules(rules), first(nullptr), last(nullptr), stopping(false), paused(false), listing(0),
      count(0) {}

FolderListers::~FolderListers() {
    {
        std::lock_guard<std::mutex> held(lock);
        stopping = true;
    }
    queued.notify_all();
    // A lister blocked in a slow listing gives way where the system lets it.
    for (int i = 0; i < count; ++i) interruptBlockedCall(threads[i]);
    for (int i = 0; i < count; ++i) threads[i].join();
}

int FolderListers::start(int wanted) {
    // A thread the system refuses leaves the listing to those already started.
    try {
        for (; count < wanted && count < maxThreads; ++count) threads[count] = std::thread([this] { work(); });
    } catch (const std::system_error&) {
    }
    return count == 0 ? 1 : 0;
}

void FolderListers::request(TreeLevel* level) {
    {
        std::lock_guard<std::mutex> held(lock);
        level->state = Queued;
        level->nextQueued = nullptr;
        (last != nullptr ? last->nextQueued : first) = level;
        last = level;
    }
    queued.notify_one();
}

void FolderListers::listUnlocked(std::unique_lock<std::mutex>& held, TreeLevel* level) {
    level->state = Listing;
    ++listing;
    held.unlock();
    listLevel(rules, *level);
    // A lister between levels holds no descriptor.
    releaseFolderCache();
    held.lock();
    level->state = Listed;
    --listing;
    listed.notify_all();
}

void FolderListers::await(TreeLevel* level) {
    std::unique_lock<std::mutex> held(lock);
    if (level->state == Queued) {
        // Not taken up yet: listed here rather than waited for.
        TreeLevel** link = &first;
        TreeLevel* before = nullptr;
        while (*link != level) {
            before = *link;
            link = &(*link)->nextQueued;
        }
        *link = level->nextQueued;
        if (last == level) last = before;
        listUnlocked(held, level);
        return;
    }
    listed.wait(held, [&] { return level->state == Listed; });
}

void FolderListers::pause() {
    std::unique_lock<std::mutex> held(lock);
    paused = true;
    listed.wait(held, [&] { return listing == 0; });
}

void FolderListers::resume() {
    {
        std::lock_guard<std::mutex> held(lock);
        paused = false;
    }
    queued.notify_all();
}

void FolderListers::work() {
    for (;;) {
        std::unique_lock<std::mutex> held(lock);
        queued.wait(held, [&] { return stopping || (!paused && first != nullptr); });
        if (stopping) return;
        TreeLevel* level = first;
        first = level->nextQueued;
        if (first == nullptr) last = nullptr;
        listUnlocked(held, level);
    }
}
