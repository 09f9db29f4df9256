#include "extra_entries.h"

#include "path_text.h"

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

// A destination folder that is not there holds no extras: its listing did not fail.
DWORD failureOf(const FolderListing& listing) {
    return listing.failure == ERROR_PATH_NOT_FOUND ? 0 : listing.failure;
}

// Moves to the next entry: false at the end, with *failed set when the listing failed.
bool advance(DestinationWalk& walk, bool* failed) {
    if (nextEntry(&walk.listing)) return true;
    *failed = failureOf(walk.listing) != 0;
    return false;
}

// The entry the walk stands on, unless the source can hold it (by name or by its own lookup).
void recordIfExtra(const DestinationWalk& walk) {
    const FindRecord& entry = walk.listing.entry;
    const WalkRecording& recording = walk.recording;
    if (passedOver(*recording.rules, *recording.totals, ListedSide::Destination,
                   {walk.folder, walk.folderLength, walk.sourcePath, walk.sourceLength}, entry,
                   walk.withFolders ? 0 : FILE_ATTRIBUTE_DIRECTORY))
        return;
    // A name read as a pattern or as a path would find another entry: the source can hold it only
    // as a name of its own listing, which the walk has passed in step. What cannot be looked up is
    // reported: an extra too many is no clean result.
    FindRecord source;
    const bool lookedUp = !unnameable(entry.name) && fitsBehind(walk.sourceLength, entry.name);
    if (lookedUp) appendCut(walk.sourcePath, walk.sourceLength, entry.name, pathLimit);
    if (!lookedUp || lookUp(walk.sourcePath, &source) != Presence::Found)
        recording.extras->addPair(entry, entry, PairState::Extra);
}

}  // namespace

DestinationWalk noDestinationWalk(char* sourcePath, int sourceLength) {
    return {{INVALID_HANDLE_VALUE, {}, 0, 0, LinkRule::Follow}, false, {}, {}, 0, sourcePath, sourceLength};
}

int startDestinationWalk(const char* searchPath, bool withFolders, char* sourcePath,
                         int sourceLength, WalkRecording recording, DestinationWalk* walk) {
    *walk = noDestinationWalk(sourcePath, sourceLength);
    walk->withFolders = withFolders;
    walk->recording = recording;
    walk->folderLength = appendCut(walk->folder, 0, searchPath,
                                   lastBackslashBeforeWildcard(searchPath, pathRoom) + 1);
    return firstEntry(searchPath, &walk->listing, recording.rules->links) ||
                   failureOf(walk->listing) == 0
               ? 0
               : 1;
}

bool walkTo(DestinationWalk& walk, const char* name, FindRecord* same, bool* failed) {
    FolderListing& listing = walk.listing;
    while (listingOpen(listing) && nameBefore(listing.entry.name, name)) {
        recordIfExtra(walk);
        if (!advance(walk, failed)) return false;
    }
    if (!listingOpen(listing) || std::strcmp(listing.entry.name, name) != 0) return false;
    *same = listing.entry;
    advance(walk, failed);
    return true;
}

int finishDestinationWalk(DestinationWalk& walk) {
    bool failed = false;
    while (listingOpen(walk.listing)) {
        recordIfExtra(walk);
        advance(walk, &failed);
    }
    return failed ? 1 : 0;
}

void endDestinationWalk(DestinationWalk& walk) {
    endListing(&walk.listing);
}
