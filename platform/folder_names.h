// The names in one folder as the system lists them, with what each is as far as the listing says,
// nothing more read and in no order: for counting a tree quickly. Offered where a listing carries
// no sizes, so that a whole one reads every entry's status (POSIX); a Windows listing carries them
// at no cost, and a count there reads whole listings.
#pragma once

#include <cstdint>

enum class NameKind : unsigned char { File, Folder, Link };

struct FolderNames {
    void* stream;  // none once the names have ended
    bool sizes;    // each file's size is read too, following a link to it
    std::uint64_t size;  // of the name at hand: a file's, 0 for anything else or unread
};

#ifdef _WIN32
inline bool folderNamesOffered() {
    return false;
}
inline bool firstFolderName(const char*, bool, FolderNames*, const char**, NameKind*) {
    return false;
}
inline bool nextFolderName(FolderNames*, const char**, NameKind*) {
    return false;
}
inline void endFolderNames(FolderNames*) {}
#else
inline bool folderNamesOffered() {
    return true;
}
// Opens the folder a text names (as FindFirstFileA takes it, without a pattern) and gives its first
// name other than "." and "..": true with it; false when the folder cannot be read or holds none.
// With sizes, each file's status is read for its size (a call a file).
bool firstFolderName(const char* folder, bool sizes, FolderNames* names, const char** name, NameKind* kind);
// The next name, valid until the call after: true with it; false at the end (or on a failure), the
// folder closed.
bool nextFolderName(FolderNames* names, const char** name, NameKind* kind);
// Closes the folder before its end.
void endFolderNames(FolderNames* names);
#endif
