#include "remote_listers.h"

#include "level_messages.h"

#include <chrono>
#include <new>
#include <system_error>

namespace {

enum LevelState { Queued = 1, Listed, RangesOut };

// What a rank lists for a level the run no longer awaits: its answer is read and dropped.
TreeLevel abandoned;

// How long the messages thread waits before it looks for answers again: short while answers come,
// longer while ranks list large folders.
constexpr auto shortestPause = std::chrono::microseconds(20);
constexpr auto longestPause = std::chrono::microseconds(2000);
// How often a wait for a level looks at the user's request to stop.
constexpr auto stopLookout = std::chrono::milliseconds(50);

void stopListing(TreeLevel* level) {
    level->listed = listingStopped;
    level->state = Listed;
}

}  // namespace

RemoteListers::RemoteListers(RankTransport& transport, void (*lostContact)(), std::size_t aheadBytes,
                             std::uint64_t rangeBytes)
    : transport(transport),
      lostContact(lostContact),
      aheadBytes(aheadBytes),
      // Whole workers' chunks, so that ranges read what one process reads.
      rangeBytes(rangeBytes > workerChunk ? rangeBytes / workerChunk * workerChunk : workerChunk) {}

RemoteListers::~RemoteListers() {
    (void)finish();
    releaseRankMessage(&outgoing);
    releaseRankMessage(&incoming);
    HeldMutex held(lock);
    delete[] inFlight;
    delete[] rangesOut;
    while (cuts != nullptr) {
        CutLevel* next = cuts->next;
        dropCutLevel(cuts);
        cuts = next;
    }
}

int RemoteListers::begin(const ListingRules& rules, std::uint64_t timeWindow) {
    const int ranks = transport.ranks();
    if (carrying || finished || ranks < 2) return 1;
    {
        HeldMutex held(lock);
        inFlight = new (std::nothrow) TreeLevel*[static_cast<std::size_t>(ranks)]{};
        rangesOut = new (std::nothrow) RangeOut[static_cast<std::size_t>(ranks)]{};
        if (inFlight == nullptr || rangesOut == nullptr) return 1;
    }
    stop = rules.stop;
    if (writeBegin(rules, timeWindow, &outgoing) != 0) return 1;
    for (int rank = 1; rank < ranks; ++rank)
        if (transport.send(rank, BeginTag, outgoing.bytes, outgoing.length) != 0) return 1;
    try {
        thread = std::thread([this] { carry(); });
    } catch (const std::system_error&) {
        return 1;
    }
    carrying = true;
    return 0;
}

void RemoteListers::request(TreeLevel* level) {
    {
        HeldMutex held(lock);
        level->nextQueued = nullptr;
        if (lost) {
            stopListing(level);
            return;
        }
        level->state = Queued;
        (last != nullptr ? last->nextQueued : first) = level;
        last = level;
    }
    changed.notify_all();
}

void RemoteListers::await(TreeLevel* level) {
    HeldMutex held(lock);
    awaited = level;
    changed.notify_all();
    while (level->state != Listed) {
        if (stop == nullptr || !stop->load(std::memory_order_relaxed)) {
            changed.wait_for(held, stopLookout);
            continue;
        }
        // The run is stopping: a level not back yet is not waited for.
        letGo(level);
    }
    awaited = nullptr;
    heldBytes -= level->entries.used;
}

bool RemoteListers::listed(TreeLevel* level) {
    HeldMutex held(lock);
    return level->state == Listed;
}

void RemoteListers::withdraw(TreeLevel* level) {
    HeldMutex held(lock);
    if (level->state != Listed) letGo(level);
    heldBytes -= level->entries.used;
}

void RemoteListers::letGo(TreeLevel* level) {
    TreeLevel** link = &first;
    TreeLevel* before = nullptr;
    while (*link != nullptr && *link != level) {
        before = *link;
        link = &(*link)->nextQueued;
    }
    if (*link == level) {
        *link = level->nextQueued;
        if (last == level) last = before;
    }
    for (int rank = 1; rank < transport.ranks(); ++rank)
        if (inFlight[rank] == level) inFlight[rank] = &abandoned;
    for (CutLevel** cut = &cuts; *cut != nullptr; cut = &(*cut)->next) {
        if ((*cut)->level != level) continue;
        CutLevel* gone = *cut;
        gone->level = nullptr;
        gone->nextRange = gone->rangeCount;
        if (gone->rangesOut == 0) {
            *cut = gone->next;
            dropCutLevel(gone);
        }
        break;
    }
    stopListing(level);
}

CutLevel* RemoteListers::nextToCut() {
    CutLevel* next = nullptr;
    for (CutLevel* cut = cuts; cut != nullptr; cut = cut->next) {
        if (cut->nextRange == cut->rangeCount) continue;
        if (cut->level == awaited) return cut;
        if (next == nullptr) next = cut;
    }
    return next;
}

void RemoteListers::endCut(CutLevel* cut) {
    CutLevel** link = &cuts;
    while (*link != cut) link = &(*link)->next;
    *link = cut->next;
    if (TreeLevel* level = cut->level; level != nullptr) {
        heldBytes -= level->entries.used;
        // Without the memory to settle them, the large pairs are left to the run's own workers.
        (void)settleLargePairs(*cut);
        heldBytes += level->entries.used;
        level->state = Listed;
        changed.notify_all();
    }
    dropCutLevel(cut);
}

int RemoteListers::handOut() {
    for (int rank = 1; rank < transport.ranks(); ++rank) {
        if (inFlight[rank] != nullptr || rangesOut[rank].cut != nullptr) continue;
        if (CutLevel* cut = nextToCut(); cut != nullptr) {
            const std::int32_t range = cut->nextRange++;
            ++cut->rangesOut;
            rangesOut[rank] = {cut, range};
            ++busy;
            RangeRequest request;
            rangeOf(*cut, range, &request);
            if (writeRange(request, &outgoing) != 0 || transport.send(rank, RangeTag, outgoing.bytes, outgoing.length) != 0)
                return 1;
            continue;
        }
        if (first == nullptr) return 0;
        TreeLevel** link = &first;
        TreeLevel* before = nullptr;
        if (heldBytes >= aheadBytes) {
            while (*link != nullptr && *link != awaited) {
                before = *link;
                link = &(*link)->nextQueued;
            }
            if (*link == nullptr) return 0;
        }
        TreeLevel* level = *link;
        *link = level->nextQueued;
        if (last == level) last = before;
        inFlight[rank] = level;
        ++busy;
        if (writeList(*level, &outgoing) != 0 || transport.send(rank, ListTag, outgoing.bytes, outgoing.length) != 0)
            return 1;
    }
    return 0;
}

void RemoteListers::giveUp() {
    lost = true;
    for (int rank = 1; rank < transport.ranks(); ++rank) {
        if (inFlight[rank] != nullptr && inFlight[rank] != &abandoned) stopListing(inFlight[rank]);
        inFlight[rank] = nullptr;
    }
    busy = 0;
    for (int rank = 1; rank < transport.ranks(); ++rank) rangesOut[rank] = {};
    while (cuts != nullptr) {
        CutLevel* next = cuts->next;
        if (cuts->level != nullptr) stopListing(cuts->level);
        dropCutLevel(cuts);
        cuts = next;
    }
    for (TreeLevel* level = first; level != nullptr; level = level->nextQueued) stopListing(level);
    first = last = nullptr;
    changed.notify_all();
}

void RemoteListers::carry() {
    auto pause = shortestPause;
    HeldMutex held(lock);
    while (!ending) {
        if (handOut() != 0) break;
        if (busy == 0) {
            changed.wait(held);
            continue;
        }
        held.unlock();
        const int received = transport.poll(&incoming);
        held.lock();
        if (received == noMessage) {
            changed.wait_for(held, pause);
            pause = pause * 2 < longestPause ? pause * 2 : longestPause;
            continue;
        }
        pause = shortestPause;
        const int from = incoming.from;
        if (received != 0 || from < 1 || from >= transport.ranks()) break;
        if (incoming.tag == RangeAnsweredTag && rangesOut[from].cut != nullptr) {
            const RangeOut out = rangesOut[from];
            rangesOut[from] = {};
            --busy;
            --out.cut->rangesOut;
            if (readRangeAnswer(incoming, &out.cut->answers[out.range]) != 0) break;
            if (out.cut->rangesOut == 0 && out.cut->nextRange == out.cut->rangeCount) endCut(out.cut);
            continue;
        }
        if (incoming.tag != ListedTag || inFlight[from] == nullptr) break;
        TreeLevel* level = inFlight[from];
        inFlight[from] = nullptr;
        --busy;
        if (level == &abandoned) continue;
        if (readListed(incoming, level) != 0) break;
        heldBytes += level->entries.used;
        if (level->listed == listedInFull) {
            if (CutLevel* cut = cutLargePairs(level, rangeBytes); cut != nullptr) {
                level->state = RangesOut;
                CutLevel** tail = &cuts;
                while (*tail != nullptr) tail = &(*tail)->next;
                *tail = cut;
                continue;
            }
        }
        level->state = Listed;
        changed.notify_all();
    }
    if (ending) return;
    // The levels in flight will not come back: the run ends as interrupted, then they are let go.
    held.unlock();
    lostContact();
    held.lock();
    giveUp();
}

int RemoteListers::finish() {
    if (finished) return 0;
    finished = true;
    if (carrying) {
        {
            HeldMutex held(lock);
            ending = true;
        }
        changed.notify_all();
        thread.join();
        carrying = false;
    }
    {
        HeldMutex held(lock);
        if (lost) return 1;
    }
    // A run stopped by a signal may have been stopped because a rank died: none is waited for.
    if (stop != nullptr && stop->load()) return 1;
    // Each rank answers what it was still listing, then that it has ended.
    const int ranks = transport.ranks();
    for (int rank = 1; rank < ranks; ++rank)
        if (transport.send(rank, EndTag, nullptr, 0) != 0) return 1;
    for (int ended = 1; ended < ranks;) {
        if (transport.receive(&incoming) != 0) return 1;
        if (incoming.tag == EndedTag) ++ended;
    }
    return 0;
}
