#include "folder_listers.h"

#include "platform/thread_calls.h"
#include "platform/win32.h"

#include <system_error>

namespace {

enum LevelState { Queued = 1, Listing, Listed };

}  // namespace

FolderListers::FolderListers(const ListingRules& rules)
    : rules(rules), count(0), first(nullptr), last(nullptr), stopping(false), paused(false),
      listing(0) {}

FolderListers::~FolderListers() {
    {
        HeldMutex held(lock);
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
        HeldMutex held(lock);
        level->state = Queued;
        level->nextQueued = nullptr;
        (last != nullptr ? last->nextQueued : first) = level;
        last = level;
    }
    queued.notify_one();
}

void FolderListers::listUnlocked(TreeLevel* level) {
    level->state = Listing;
    ++listing;
    lock.unlock();
    listLevel(rules, *level);
    // A lister between levels holds no folder; those it listed stay open for the workers.
    releaseThreadFolders();
    lock.lock();
    level->state = Listed;
    --listing;
    listed.notify_all();
}

void FolderListers::await(TreeLevel* level) {
    HeldMutex held(lock);
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
        listUnlocked(level);
        return;
    }
    while (level->state != Listed) listed.wait(held);
}

void FolderListers::pause() {
    HeldMutex held(lock);
    paused = true;
    while (listing != 0) listed.wait(held);
}

void FolderListers::resume() {
    {
        HeldMutex held(lock);
        paused = false;
    }
    queued.notify_all();
}

void FolderListers::work() {
    for (;;) {
        HeldMutex held(lock);
        while (!stopping && (paused || first == nullptr)) queued.wait(held);
        if (stopping) return;
        TreeLevel* level = first;
        first = level->nextQueued;
        if (first == nullptr) last = nullptr;
        listUnlocked(level);
    }
}
