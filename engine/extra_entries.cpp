#include "extra_entries.h"

#include "path_text.h"
#include "qdl_core.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

unsigned char capital(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// -1, 0 or 1 as a comes before, with or after b when letters are compared as capitals, the order
// NTFS and the POSIX layer list a folder in.
int compareCapitals(const char* a, const char* b) {
    for (std::size_t i = 0;; ++i) {
        if (capital(a[i]) != capital(b[i])) return capital(a[i]) < capital(b[i]) ? -1 : 1;
        if (a[i] == '\0') return 0;
    }
}

// Letters compared as capitals first, bytes breaking ties.
bool nameBefore(const char* a, const char* b) {
    const int capitals = compareCapitals(a, b);
    return capitals != 0 ? capitals < 0 : std::strcmp(a, b) < 0;
}

bool listedBefore(const FindRecord& a, const FindRecord& b) {
    return nameBefore(a.name, b.name);
}

bool keep(DestinationListing& listing, const FindRecord& entry, int* room) {
    if (listing.count == *room) {
        const int larger = *room * 2 + 16;
        auto* entries = static_cast<FindRecord*>(
            std::realloc(listing.entries, static_cast<std::size_t>(larger) * sizeof(FindRecord)));
        if (entries == nullptr) return false;
        listing.entries = entries;
        *room = larger;
    }
    listing.entries[listing.count++] = entry;
    return true;
}

}  // namespace

int listDestination(const char* searchPath, bool withFolders, DestinationListing* listing) {
    *listing = {};
    int room = 0;
    FindRecord entry;
    const HANDLE search = findFirst(searchPath, &entry);
    bool kept = true;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            // Names the source cannot hold, or would pass over, are no extras.
            if (isDotEntry(entry.name) || (entry.attributes & skippedAttributes) != 0 ||
                (!withFolders && isDirectory(entry)))
                continue;
            kept = keep(*listing, entry, &room);
        } while (kept && findNext(search, &entry));
    }
    const DWORD error = GetLastError();
    if (search != INVALID_HANDLE_VALUE) findClose(search);
    if (!kept) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    const bool complete = kept && (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ||
                                   error == ERROR_PATH_NOT_FOUND);
    if (complete && listing->count > 0) {
        listing->paired = static_cast<bool*>(std::calloc(static_cast<std::size_t>(listing->count), 1));
        if (listing->paired == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        std::sort(listing->entries, listing->entries + listing->count, listedBefore);
    }
    if (complete && (listing->count == 0 || listing->paired != nullptr)) return 0;
    if (complete) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    releaseDestination(*listing);
    return 1;
}

void pairDestination(DestinationListing& listing, const char* name) {
    for (int i = listing.next; i < listing.count; ++i) {
        if (std::strcmp(listing.entries[i].name, name) == 0) listing.paired[i] = true;
        if (compareCapitals(listing.entries[i].name, name) > 0) return;
    }
}

void addExtrasBefore(QdlCore& job, DestinationListing& listing, const char* name, char* sourcePath,
                     int sourceLength) {
    for (; listing.next < listing.count; ++listing.next) {
        const FindRecord& entry = listing.entries[listing.next];
        if (name != nullptr && !nameBefore(entry.name, name)) return;
        if (listing.paired[listing.next]) continue;
        FindRecord source;
        const bool fits = fitsBehind(sourceLength, entry.name);
        if (fits) appendCut(sourcePath, sourceLength, entry.name, pathLimit);
        // What cannot be looked up is reported: an extra too many is no clean result.
        if (!fits || lookUp(sourcePath, &source) != Presence::Found)
            job.pairs.addPair(entry, entry, PendingExtra);
    }
}

void releaseDestination(DestinationListing& listing) {
    std::free(listing.entries);
    std::free(listing.paired);
    listing = {};
}
