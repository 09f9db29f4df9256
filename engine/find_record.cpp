#include "find_record.h"

#include <cstddef>
#include <cstring>

// FindRecord is the platform's find record under the engine's own names; the search fills it whole.
static_assert(sizeof(FindRecord) == sizeof(WIN32_FIND_DATAA));
static_assert(offsetof(FindRecord, lastWriteTime) == offsetof(WIN32_FIND_DATAA, ftLastWriteTime));
static_assert(offsetof(FindRecord, sizeHigh) == offsetof(WIN32_FIND_DATAA, nFileSizeHigh));
static_assert(offsetof(FindRecord, name) == offsetof(WIN32_FIND_DATAA, cFileName));
static_assert(offsetof(FindRecord, shortName) == offsetof(WIN32_FIND_DATAA, cAlternateFileName));

HANDLE findFirst(const char* path, FindRecord* record) {
    WIN32_FIND_DATAA data;
    const HANDLE search = FindFirstFileA(path, &data);
    if (search != INVALID_HANDLE_VALUE) std::memcpy(record, &data, sizeof *record);
    return search;
}

bool findNext(HANDLE search, FindRecord* record) {
    WIN32_FIND_DATAA data;
    if (FindNextFileA(search, &data) == 0) return false;
    std::memcpy(record, &data, sizeof *record);
    return true;
}

void findClose(HANDLE search) {
    FindClose(search);
}

bool listingEndedCleanly() {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

Presence lookUp(const char* path, FindRecord* record) {
    const HANDLE search = findFirst(path, record);
    if (search != INVALID_HANDLE_VALUE) {
        findClose(search);
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
