#include "folder_cache.h"
#include "linux_calls.h"
#include "system_calls.h"
#include "win32_subset.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <sys/resource.h>

namespace {

// Enough for the folders between the listers and the workers (a window of pairs in folders of ten),
// and a quarter of the spare descriptors at most.
constexpr int sharedMost = 1024;
constexpr int buckets = 2048;
constexpr int foldersPerThread = 4;  // the source and destination folder of a pair, and their parents

struct SharedFolder {
    char* path = nullptr;
    int descriptor = -1;  // -1 when the slot is free
    int holders = 0;
    int nextInBucket = -1;
    int idleBefore = -1;  // the idle ones, let go of longest ago first
    int idleAfter = -1;
    bool readable = false;  // open for reading, not by name only (a folder that cannot be read)
    bool listed = false;    // a listing moved its position: the next one needs its own descriptor
};

// A slot's path and descriptor change only under the lock and while nobody holds it, so a holder
// reads them without the lock.
struct FolderTable {
    std::mutex lock;
    SharedFolder folders[sharedMost];
    int bucketHeads[buckets] = {};
    int capacity = -1;  // known at the first open
    int used = 0;        // slots taken once, each now held, idle or free
    int freeFirst = -1;  // the free ones, linked through nextInBucket
    int idleFirst = -1;
    int idleLast = -1;
};

constinit FolderTable table;

std::size_t bucketOf(const char* path) {
    std::size_t hash = 14695981039346656037ull;
    for (; *path != '\0'; ++path) hash = (hash ^ static_cast<unsigned char>(*path)) * 1099511628211ull;
    return hash % buckets;
}

int findShared(const char* path) {
    if (table.capacity < 0) return -1;
    for (int slot = table.bucketHeads[bucketOf(path)]; slot >= 0; slot = table.folders[slot].nextInBucket)
        if (std::strcmp(table.folders[slot].path, path) == 0) return slot;
    return -1;
}

void leaveIdle(int slot) {
    SharedFolder& folder = table.folders[slot];
    (folder.idleBefore >= 0 ? table.folders[folder.idleBefore].idleAfter : table.idleFirst) = folder.idleAfter;
    (folder.idleAfter >= 0 ? table.folders[folder.idleAfter].idleBefore : table.idleLast) = folder.idleBefore;
    folder.idleBefore = folder.idleAfter = -1;
}

void becomeIdle(int slot) {
    SharedFolder& folder = table.folders[slot];
    folder.idleBefore = table.idleLast;
    folder.idleAfter = -1;
    (table.idleLast >= 0 ? table.folders[table.idleLast].idleAfter : table.idleFirst) = slot;
    table.idleLast = slot;
}

// Takes an idle slot out of the table: its descriptor and path, to be closed and freed outside the lock.
void evict(int slot, int* descriptor, char** path) {
    SharedFolder& folder = table.folders[slot];
    leaveIdle(slot);
    int* link = &table.bucketHeads[bucketOf(folder.path)];
    while (*link != slot) link = &table.folders[*link].nextInBucket;
    *link = folder.nextInBucket;
    *descriptor = folder.descriptor;
    *path = folder.path;
    folder.descriptor = -1;
    folder.path = nullptr;
    folder.nextInBucket = -1;
}

void setCapacity() {
    if (table.capacity >= 0) return;
    for (int& head : table.bucketHeads) head = -1;
    // Under a tight limit every descriptor goes to the pairs and listings: nothing is kept idle.
    constexpr rlim_t keptForOthers = 64;
    rlimit limit{};
    const rlim_t spare = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur > keptForOthers
                             ? (limit.rlim_cur - keptForOthers) / 4
                             : 0;
    table.capacity = spare < sharedMost ? static_cast<int>(spare) : sharedMost;
}

// A slot for a new folder: a free one, or the one idle longest, its descriptor and path handed
// out; -1 when every one is held.
int freeSlot(int* toClose, char** toFree) {
    if (const int slot = table.freeFirst; slot >= 0) {
        table.freeFirst = table.folders[slot].nextInBucket;
        return slot;
    }
    if (table.used < table.capacity) return table.used++;
    if (table.idleFirst < 0) return -1;
    const int slot = table.idleFirst;
    evict(slot, toClose, toFree);
    return slot;
}

void closeIdleFolders();

// A folder that can be read is opened for reading, so that one descriptor serves its listing and
// the opens in it; one that can only be passed through, by name only.
int openFolder(const char* path, bool toList, bool* readable) {
    int descriptor = sys::openat(AT_FDCWD, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0 && (errno == EMFILE || errno == ENFILE)) {
        closeIdleFolders();
        descriptor = sys::openat(AT_FDCWD, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    *readable = descriptor >= 0;
    if (descriptor < 0 && errno == EACCES && !toList) descriptor = openNameOnly(AT_FDCWD, path, O_DIRECTORY);
    return descriptor;
}

bool holdFolder(const char* path, bool toList, HeldFolder* held) {
    {
        std::lock_guard<std::mutex> hold(table.lock);
        const int slot = findShared(path);
        SharedFolder* folder = slot >= 0 ? &table.folders[slot] : nullptr;
        if (folder != nullptr && (!toList || (folder->readable && !folder->listed))) {
            if (folder->holders++ == 0) leaveIdle(slot);
            folder->listed = folder->listed || toList;
            *held = {folder->descriptor, slot};
            return true;
        }
    }
    bool readable = false;
    const int descriptor = openFolder(path, toList, &readable);
    if (descriptor < 0) return false;
    *held = {descriptor, -1};
    char* kept = strdup(path);
    if (kept == nullptr) return true;
    int toClose = -1;
    char* toFree = nullptr;
    {
        std::lock_guard<std::mutex> hold(table.lock);
        setCapacity();
        // Another thread may have shared the same folder meanwhile: this one then stays the holder's.
        const int slot = findShared(path) >= 0 ? -1 : freeSlot(&toClose, &toFree);
        if (slot >= 0) {
            SharedFolder& folder = table.folders[slot];
            const std::size_t bucket = bucketOf(kept);
            folder = {kept, descriptor, 1, table.bucketHeads[bucket], -1, -1, readable, toList};
            table.bucketHeads[bucket] = slot;
            held->slot = slot;
            kept = nullptr;
        }
    }
    std::free(kept);
    std::free(toFree);
    if (toClose >= 0) sys::closeFolder(toClose);
    return true;
}

struct ThreadFolder {
    char path[PATH_MAX];
    HeldFolder held{-1, -1};
    unsigned lastUse = 0;
};

struct ThreadFolders {
    ThreadFolder folders[foldersPerThread];
    unsigned uses = 0;
    ~ThreadFolders() { release(); }
    void release() {
        for (auto& folder : folders) letGoOfFolder(&folder.held);
    }
};

thread_local ThreadFolders threadFolders;

void closeIdleFolders() {
    int toClose[sharedMost];
    char* toFree[sharedMost];
    int closing = 0;
    {
        std::lock_guard<std::mutex> hold(table.lock);
        for (int slot; (slot = table.idleFirst) >= 0;) {
            evict(slot, &toClose[closing], &toFree[closing]);
            table.folders[slot].nextInBucket = table.freeFirst;
            table.freeFirst = slot;
            ++closing;
        }
    }
    for (int i = 0; i < closing; ++i) {
        sys::closeFolder(toClose[i]);
        std::free(toFree[i]);
    }
}

}  // namespace

bool holdFolderToList(const char* posixPath, HeldFolder* held) {
    // A folder to list is named with a separator at its end, one to open in without: both are one.
    std::size_t length = std::strlen(posixPath);
    while (length > 1 && posixPath[length - 1] == '/') --length;
    if (length >= PATH_MAX) {
        errno = ENAMETOOLONG;
        return false;
    }
    char path[PATH_MAX];
    std::memcpy(path, posixPath, length);
    path[length] = '\0';
    return holdFolder(path, true, held);
}

void letGoOfFolder(HeldFolder* held) {
    if (held->descriptor < 0) return;
    if (held->slot < 0) {
        sys::closeFolder(held->descriptor);
    } else {
        std::lock_guard<std::mutex> hold(table.lock);
        if (--table.folders[held->slot].holders == 0) becomeIdle(held->slot);
    }
    *held = {-1, -1};
}

FolderRelative relativeToFolder(const char* posixPath) {
    const char* slash = std::strrchr(posixPath, '/');
    // A path that ends in a separator (the root) names a folder, not an entry in one.
    if (slash == nullptr || slash[1] == '\0') return {AT_FDCWD, posixPath};
    const std::size_t length = slash == posixPath ? 1 : static_cast<std::size_t>(slash - posixPath);
    if (length >= PATH_MAX) return {AT_FDCWD, posixPath};
    ThreadFolder* oldest = &threadFolders.folders[0];
    for (auto& folder : threadFolders.folders) {
        if (folder.held.descriptor >= 0 && std::strncmp(folder.path, posixPath, length) == 0 &&
            folder.path[length] == '\0') {
            folder.lastUse = ++threadFolders.uses;
            return {folder.held.descriptor, slash + 1};
        }
        if (folder.held.descriptor < 0 || folder.lastUse < oldest->lastUse) oldest = &folder;
    }
    char path[PATH_MAX];
    std::memcpy(path, posixPath, length);
    path[length] = '\0';
    letGoOfFolder(&oldest->held);
    if (!holdFolder(path, false, &oldest->held)) return {AT_FDCWD, posixPath};
    std::memcpy(oldest->path, path, length + 1);
    oldest->lastUse = ++threadFolders.uses;
    return {oldest->held.descriptor, slash + 1};
}

void releaseThreadFolders() {
    threadFolders.release();
}

void releaseFolderCache() {
    threadFolders.release();
    closeIdleFolders();
}
