#include "extra_entries.h"

#include "path_text.h"
#include "qdl_core.h"

#include <cstring>

namespace {

unsigned char capital(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// The order NTFS and the POSIX layer list a folder in: letters compared as capitals, bytes
// breaking ties.
bool nameBefore(const char* a, const char* b) {
    for (std::size_t i = 0;; ++i) {
        if (capital(a[i]) != capital(b[i])) return capital(a[i]) < capital(b[i]);
        if (a[i] == '\0') break;
    }
    return std::strcmp(a, b) < 0;
}

// A listing that ended, rather than failed: nothing matched, nothing more, no such folder.
bool endedCleanly(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ||
           error == ERROR_PATH_NOT_FOUND;
}

// Moves to the next entry: false at the end, with *failed set when the listing failed.
bool advance(DestinationWalk& walk, bool* failed) {
    if (findNext(walk.search, &walk.current)) return true;
    *failed = !endedCleanly(GetLastError());
    endDestinationWalk(walk);
    return false;
}

// The entry the walk stands on, unless the source can hold it (by name or by its own lookup).
void recordIfExtra(QdlCore& job, const DestinationWalk& walk) {
    const FindRecord& entry = walk.current;
    if (isDotEntry(entry.name) || (entry.attributes & skippedAttributes) != 0 ||
        (!walk.withFolders && isDirectory(entry)))
        return;
    FindRecord source;
    const bool fits = fitsBehind(walk.sourceLength, entry.name);
    if (fits) appendCut(walk.sourcePath, walk.sourceLength, entry.name, pathLimit);
    // What cannot be looked up is reported: an extra too many is no clean result.
    if (!fits || lookUp(walk.sourcePath, &source) != Presence::Found)
        job.pairs.addPair(entry, entry, PendingExtra);
}

}  // namespace

int startDestinationWalk(const char* searchPath, bool withFolders, char* sourcePath, int sourceLength,
                         DestinationWalk* walk) {
    *walk = {INVALID_HANDLE_VALUE, {}, withFolders, sourcePath, sourceLength};
    walk->search = findFirst(searchPath, &walk->current);
    return walk->search != INVALID_HANDLE_VALUE || endedCleanly(GetLastError()) ? 0 : 1;
}

bool walkTo(QdlCore& job, DestinationWalk& walk, const char* name, FindRecord* same, bool* failed) {
    while (walk.search != INVALID_HANDLE_VALUE && nameBefore(walk.current.name, name)) {
        recordIfExtra(job, walk);
        if (!advance(walk, failed)) return false;
    }
    if (walk.search == INVALID_HANDLE_VALUE || std::strcmp(walk.current.name, name) != 0) return false;
    *same = walk.current;
    advance(walk, failed);
    return true;
}

int finishDestinationWalk(QdlCore& job, DestinationWalk& walk) {
    bool failed = false;
    while (walk.search != INVALID_HANDLE_VALUE) {
        recordIfExtra(job, walk);
        advance(walk, &failed);
    }
    return failed ? 1 : 0;
}

void endDestinationWalk(DestinationWalk& walk) {
    if (walk.search != INVALID_HANDLE_VALUE) findClose(walk.search);
    walk.search = INVALID_HANDLE_VALUE;
}
