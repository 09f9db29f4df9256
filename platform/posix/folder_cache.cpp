#include "folder_cache.h"
#include "linux_calls.h"
#include "system_calls.h"
#include "win32_subset.h"

#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace {

constexpr int cachedFolders = 4;  // the source and destination folder of a pair, and their parents

struct CachedFolder {
    char path[PATH_MAX];
    int descriptor;  // -1 when the slot is free
    unsigned lastUse;
};

// One cache per thread: descriptors are never shared between threads that step pairs.
struct FolderCache {
    CachedFolder folders[cachedFolders] = {{{}, -1, 0}, {{}, -1, 0}, {{}, -1, 0}, {{}, -1, 0}};
    unsigned uses = 0;
    ~FolderCache() { release(); }
    void release() {
        for (auto& folder : folders) {
            if (folder.descriptor >= 0) sys::closeFolder(folder.descriptor);
            folder.descriptor = -1;
        }
    }
};

thread_local FolderCache cache;

}  // namespace

FolderRelative relativeToFolder(const char* posixPath) {
    const char* slash = std::strrchr(posixPath, '/');
    // A path that ends in a separator (the root) names a folder, not an entry in one.
    if (slash == nullptr || slash[1] == '\0') return {AT_FDCWD, posixPath};
    const std::size_t length = slash == posixPath ? 1 : static_cast<std::size_t>(slash - posixPath);
    if (length >= PATH_MAX) return {AT_FDCWD, posixPath};
    CachedFolder* oldest = &cache.folders[0];
    for (auto& folder : cache.folders) {
        if (folder.descriptor >= 0 && std::strncmp(folder.path, posixPath, length) == 0 &&
            folder.path[length] == '\0') {
            folder.lastUse = ++cache.uses;
            return {folder.descriptor, slash + 1};
        }
        if (folder.descriptor < 0 || folder.lastUse < oldest->lastUse) oldest = &folder;
    }
    char path[PATH_MAX];
    std::memcpy(path, posixPath, length);
    path[length] = '\0';
    const int descriptor = openNameOnly(AT_FDCWD, path, O_DIRECTORY);
    if (descriptor < 0) return {AT_FDCWD, posixPath};
    if (oldest->descriptor >= 0) sys::closeFolder(oldest->descriptor);
    std::memcpy(oldest->path, path, length + 1);
    oldest->descriptor = descriptor;
    oldest->lastUse = ++cache.uses;
    return {descriptor, slash + 1};
}

void releaseFolderCache() {
    cache.release();
}
