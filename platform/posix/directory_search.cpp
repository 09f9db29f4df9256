// FindFirstFileA, FindNextFileA and FindClose over opendir/readdir and stat.
#include "find_data.h"
#include "path_map.h"
#include "wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <new>
#include <cstring>

namespace {

struct DirectorySearch {
    DIR* directory;  // none for the single-entry lookup of a path without wildcards
    char pattern[MAX_PATH];
};

// Every lookup of a path without wildcards answers with this handle: it has nothing more to list,
// so it costs no allocation.
DirectorySearch singleEntrySearch{nullptr, {}};

bool hasWildcard(const char* text) {
    return std::strpbrk(text, "*?") != nullptr;
}

// The next entry of the listing that matches the pattern; entries that vanish meanwhile are passed.
bool readMatchingEntry(DirectorySearch* search, WIN32_FIND_DATAA* findData) {
    while (const dirent* entry = readdir(search->directory)) {
        if (!matchesWildcard(search->pattern, entry->d_name)) continue;
        struct stat status;
        if (fstatat(dirfd(search->directory), entry->d_name, &status, 0) != 0 &&
            fstatat(dirfd(search->directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        fillFindData(status, entry->d_name, findData);
        return true;
    }
    return false;
}

HANDLE findSingleEntry(const char* windowsPath, const char* name, WIN32_FIND_DATAA* findData) {
    char posixPath[PATH_MAX];
    struct stat status;
    if (toPosixPath(windowsPath, posixPath, sizeof posixPath) != 0 || stat(posixPath, &status) != 0)
        return INVALID_HANDLE_VALUE;
    fillFindData(status, name, findData);
    return &singleEntrySearch;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
    const char* lastSeparator = std::strrchr(fileName, '\\');
    const char* name = lastSeparator != nullptr ? lastSeparator + 1 : fileName;
    if (*name == '\0' || std::strlen(name) >= MAX_PATH) return INVALID_HANDLE_VALUE;
    if (!hasWildcard(name)) return findSingleEntry(fileName, name, findData);

    char folder[MAX_PATH + 1] = ".";
    const std::size_t folderLength = static_cast<std::size_t>(name - fileName);
    if (folderLength > 0) {
        if (folderLength > MAX_PATH) return INVALID_HANDLE_VALUE;
        std::memcpy(folder, fileName, folderLength);
        folder[folderLength] = '\0';
    }
    char posixFolder[PATH_MAX];
    if (toPosixPath(folder, posixFolder, sizeof posixFolder) != 0) return INVALID_HANDLE_VALUE;

    auto* search = new (std::nothrow) DirectorySearch{opendir(posixFolder), {}};
    if (search == nullptr) return INVALID_HANDLE_VALUE;
    std::strcpy(search->pattern, name);
    if (search->directory == nullptr || !readMatchingEntry(search, findData)) {
        FindClose(search);
        return INVALID_HANDLE_VALUE;
    }
    return search;
}

BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA findData) {
    auto* directorySearch = static_cast<DirectorySearch*>(search);
    if (search == INVALID_HANDLE_VALUE || directorySearch->directory == nullptr) return FALSE;
    return readMatchingEntry(directorySearch, findData) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE search) {
    if (search == INVALID_HANDLE_VALUE || search == nullptr) return FALSE;
    if (search == &singleEntrySearch) return TRUE;
    auto* directorySearch = static_cast<DirectorySearch*>(search);
    if (directorySearch->directory != nullptr) closedir(directorySearch->directory);
    delete directorySearch;
    return TRUE;
}
