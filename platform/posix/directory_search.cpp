// FindFirstFileA, FindNextFileA and FindClose over the folder's names and fstatat.
//
// A search reads the whole folder when it starts and keeps the matching names, so a folder that
// cannot be read fails at FindFirstFileA, and the names come in one order on every machine: "." and
// "..", then by name with letters compared as capitals (as NTFS lists them), byte order breaking
// ties. Each entry's status is read when it is delivered; an entry whose status cannot be read is
// still delivered, its type taken from the listing.
#include "find_data.h"
#include "folder_cache.h"
#include "interruption.h"
#include "last_error.h"
#include "path_map.h"
#include "platform/wildcard.h"
#include "system_calls.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>

namespace {

// The names of one listing, each stored as its type byte (d_type), the name and a terminator.
struct DirectorySearch {
    HeldFolder folder;  // none for the single-entry lookup of a path without wildcards
    char* names;
    std::size_t namesUsed;
    std::size_t namesRoom;
    std::uint32_t* offsets;  // where each name starts in names, in listing order once sorted
    std::size_t count;
    std::size_t offsetsRoom;
    std::size_t next;
};

// Every lookup of a path without wildcards answers with this handle: it has nothing more to list,
// so it costs no allocation.
DirectorySearch singleEntrySearch{{-1, -1}, nullptr, 0, 0, nullptr, 0, 0, 0};

bool hasWildcard(const char* text) {
    return std::strpbrk(text, "*?") != nullptr;
}

bool grow(void** block, std::size_t* room, std::size_t needed, std::size_t unit) {
    if (needed <= *room) return true;
    const std::size_t newRoom = std::max(needed, *room * 2 + 64);
    void* larger = std::realloc(*block, newRoom * unit);
    if (larger == nullptr) return false;
    *block = larger;
    *room = newRoom;
    return true;
}

bool keepName(DirectorySearch* search, const dirent64* entry) {
    const std::size_t length = std::strlen(entry->d_name);
    // Four bytes a name's place: a folder whose names take 4 GiB is beyond what a listing holds.
    if (search->namesUsed + length + 2 > UINT32_MAX) return false;
    if (!grow(reinterpret_cast<void**>(&search->names), &search->namesRoom,
              search->namesUsed + length + 2, 1) ||
        !grow(reinterpret_cast<void**>(&search->offsets), &search->offsetsRoom, search->count + 1,
              sizeof *search->offsets))
        return false;
    char* stored = search->names + search->namesUsed;
    stored[0] = static_cast<char>(entry->d_type);
    std::memcpy(stored + 1, entry->d_name, length + 1);
    search->offsets[search->count++] = static_cast<std::uint32_t>(search->namesUsed);
    search->namesUsed += length + 2;
    return true;
}

int dotRank(const char* name) {
    if (std::strcmp(name, ".") == 0) return 0;
    if (std::strcmp(name, "..") == 0) return 1;
    return 2;
}

unsigned char capital(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

bool listedBefore(const char* a, const char* b) {
    if (dotRank(a) != dotRank(b)) return dotRank(a) < dotRank(b);
    for (std::size_t i = 0;; ++i) {
        if (capital(a[i]) != capital(b[i])) return capital(a[i]) < capital(b[i]);
        if (a[i] == '\0') break;
    }
    return std::strcmp(a, b) < 0;
}

// Room for the names of one read: most folders give theirs in one. Between two reads the run looks
// whether the user asked it to stop, so a folder of millions of names gives way at once.
constexpr std::size_t namesReadAtOnce = 32768;

// 0 with every matching name kept and sorted; 1 with the last error set.
int readFolder(DirectorySearch* search, const char* pattern) {
    alignas(dirent64) char records[namesReadAtOnce];
    int interruptions = 0;
    for (;;) {
        if (interruptionRequested()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return 1;
        }
        const ssize_t read = sys::readNames(search->folder.descriptor, records, sizeof records);
        // Interrupted, the read of names is made again unless the user asked the run to stop.
        if (read < 0 && errno == EINTR && !interruptionRequested() && ++interruptions < 64) continue;
        if (read < 0) {
            setLastErrorFromErrno(errno);
            return 1;
        }
        if (read == 0) break;
        for (ssize_t at = 0; at < read;) {
            const auto* entry = reinterpret_cast<const dirent64*>(records + at);
            at += entry->d_reclen;
            if (!matchesWildcard(pattern, entry->d_name)) continue;
            if (!keepName(search, entry)) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return 1;
            }
        }
    }
    if (search->count == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 1;
    }
    const char* names = search->names + 1;
    std::sort(search->offsets, search->offsets + search->count,
              [names](std::uint32_t a, std::uint32_t b) { return listedBefore(names + a, names + b); });
    return 0;
}

// The status of what an entry names, and whether a link leads there; of a link that cannot be
// followed (dangling, a loop), the link's own and the error following it met, so that the listing
// and the single-entry lookup both find it. One call for an entry that is no link.
bool statEntry(int folder, const char* name, struct stat* status, bool* link, int* followError) {
    if (sys::fstatat(folder, name, status, AT_SYMLINK_NOFOLLOW) != 0) return false;
    *link = S_ISLNK(status->st_mode);
    *followError = 0;
    struct stat target;
    if (!*link) return true;
    if (sys::fstatat(folder, name, &target, 0) == 0)
        *status = target;
    else
        *followError = errno;
    return true;
}

// An entry whose status cannot be read: its type from the listing, its way there unknown.
void fillByType(unsigned char type, const char* name, WIN32_FIND_DATAA* findData) {
    struct stat status {};
    status.st_mode = type == DT_DIR ? S_IFDIR : S_IFREG;
    fillFindData(status, name, findData, true);
}

bool deliverNext(DirectorySearch* search, WIN32_FIND_DATAA* findData) {
    if (search->next >= search->count) {
        SetLastError(ERROR_NO_MORE_FILES);
        return false;
    }
    const char* stored = search->names + search->offsets[search->next++];
    const char* name = stored + 1;
    // "." and ".." are folders; nobody reads more of them.
    if (dotRank(name) < 2) {
        fillByType(DT_DIR, name, findData);
        return true;
    }
    struct stat status;
    bool link = false;
    int followError = 0;
    if (statEntry(search->folder.descriptor, name, &status, &link, &followError))
        fillFindData(status, name, findData, link, followError);
    else
        fillByType(static_cast<unsigned char>(stored[0]), name, findData);
    return true;
}

HANDLE findSingleEntry(const char* windowsPath, const char* name, WIN32_FIND_DATAA* findData) {
    char posixPath[PATH_MAX];
    struct stat status;
    if (toPosixPath(windowsPath, posixPath, sizeof posixPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    const FolderRelative at = relativeToFolder(posixPath);
    bool link = false;
    int followError = 0;
    if (!statEntry(at.folder, at.name, &status, &link, &followError)) {
        setLastErrorFromErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    fillFindData(status, name, findData, link, followError);
    return &singleEntrySearch;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
    const char* lastSeparator = std::strrchr(fileName, '\\');
    const char* name = lastSeparator != nullptr ? lastSeparator + 1 : fileName;
    if (*name == '\0' || std::strlen(name) >= MAX_PATH) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!hasWildcard(name)) return findSingleEntry(fileName, name, findData);

    char folder[MAX_PATH + 1] = ".";
    const std::size_t folderLength = static_cast<std::size_t>(name - fileName);
    char posixFolder[PATH_MAX];
    if (folderLength > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    if (folderLength > 0) {
        std::memcpy(folder, fileName, folderLength);
        folder[folderLength] = '\0';
    }
    if (toPosixPath(folder, posixFolder, sizeof posixFolder) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    auto* search = static_cast<DirectorySearch*>(std::calloc(1, sizeof(DirectorySearch)));
    if (search == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    search->folder = {-1, -1};
    const bool held = holdFolderToList(posixFolder, &search->folder);
    if (!held) setLastErrorFromErrno(errno, ERROR_PATH_NOT_FOUND);
    if (!held || readFolder(search, name) != 0 ||
        !deliverNext(search, findData)) {
        const SavedError error = saveLastError();
        FindClose(search);
        restoreLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA findData) {
    auto* directorySearch = static_cast<DirectorySearch*>(search);
    if (search == INVALID_HANDLE_VALUE || search == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (directorySearch->folder.descriptor < 0) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return deliverNext(directorySearch, findData) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE search) {
    if (search == INVALID_HANDLE_VALUE || search == nullptr) return FALSE;
    if (search == &singleEntrySearch) return TRUE;
    auto* directorySearch = static_cast<DirectorySearch*>(search);
    letGoOfFolder(&directorySearch->folder);
    std::free(directorySearch->names);
    std::free(directorySearch->offsets);
    std::free(directorySearch);
    return TRUE;
}
