#include "find_record.h"

#include "misuse.h"

#include <cstddef>
#include <cstring>

// FindRecord is the platform's find record under the engine's own names; the search fills it whole.
static_assert(sizeof(FindRecord) == sizeof(WIN32_FIND_DATAA));
static_assert(offsetof(FindRecord, lastWriteTime) == offsetof(WIN32_FIND_DATAA, ftLastWriteTime));
static_assert(offsetof(FindRecord, sizeHigh) == offsetof(WIN32_FIND_DATAA, nFileSizeHigh));
static_assert(offsetof(FindRecord, name) == offsetof(WIN32_FIND_DATAA, cFileName));
static_assert(offsetof(FindRecord, shortName) == offsetof(WIN32_FIND_DATAA, cAlternateFileName));

namespace {

void copyEntry(const WIN32_FIND_DATAA& data, FindRecord* record, LinkRule links) {
    std::memcpy(record, &data, sizeof *record);
    // A link the platform followed, described as the link it is.
    if (links == LinkRule::AsLinks && record->reserved0 == IO_REPARSE_TAG_SYMLINK) {
        record->attributes = (record->attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) |
                             FILE_ATTRIBUTE_REPARSE_POINT;
        record->sizeHigh = 0;
        record->sizeLow = 0;
    }
}

// A search that ended because nothing (more) matches has read the whole folder.
DWORD failureOfEnd(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : error;
}

}  // namespace

bool firstEntry(const char* searchPath, FolderListing* listing, LinkRule links) {
    WIN32_FIND_DATAA data;
    listing->links = links;
    listing->search = findFirstEntry(searchPath, &data);
    if (listing->search == INVALID_HANDLE_VALUE) {
        listing->failure = failureOfEnd(GetLastError());
        listing->systemError = lastSystemError();
        return false;
    }
    copyEntry(data, &listing->entry, links);
    listing->failure = 0;
    return true;
}

bool nextEntry(FolderListing* listing) {
    QUENDLE_EXPECT(listingOpen(*listing), "a listing is read on after its end");
    WIN32_FIND_DATAA data;
    if (findNextEntry(listing->search, &data) != 0) {
        copyEntry(data, &listing->entry, listing->links);
        return true;
    }
    listing->failure = failureOfEnd(GetLastError());
    listing->systemError = lastSystemError();
    endListing(listing);
    return false;
}

void endListing(FolderListing* listing) {
    if (listingOpen(*listing)) FindClose(listing->search);
    listing->search = INVALID_HANDLE_VALUE;
}

Presence lookUp(const char* path, FindRecord* record, LinkRule links) {
    WIN32_FIND_DATAA data;
    const HANDLE search = findFirstEntry(path, &data);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        copyEntry(data, record, links);
        return Presence::Found;
    }
    // A folder missing on the way, or a file where a folder would be (Windows answers that with
    // ERROR_DIRECTORY or ERROR_INVALID_NAME), means the entry is missing too.
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        return Presence::Missing;
    default:
        return Presence::Unreachable;
    }
}
