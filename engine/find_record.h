// One directory entry as the platform's directory search returns it, and that search.
#pragma once

#include "platform/win32.h"

#include <cstdint>

struct FindRecord {
    DWORD attributes;
    FILETIME creationTime;
    FILETIME lastAccessTime;
    FILETIME lastWriteTime;
    DWORD sizeHigh;
    DWORD sizeLow;
    DWORD reserved0;
    DWORD reserved1;
    char name[MAX_PATH];
    char shortName[14];
};

// Entries the engine never records: temporary files. A compressed file reads as any other does.
constexpr DWORD skippedAttributes = FILE_ATTRIBUTE_TEMPORARY;

// "." and "..", which every folder listing may hold: the only names skipped as names.
inline bool isDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The directory exit marker has an empty source name, which no directory entry has.
inline bool isExitMarker(const FindRecord& source) {
    return source.name[0] == '\0';
}

// A FILETIME as one number of 100-ns ticks since 1601.
constexpr std::uint64_t fileTimeTicksPerSecond = 10000000;
inline std::uint64_t ticksOf(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline std::uint64_t fileSize(const FindRecord& record) {
    return (static_cast<std::uint64_t>(record.sizeHigh) << 32) | record.sizeLow;
}

inline bool isDirectory(const FindRecord& record) {
    return (record.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// How links are taken: followed, the link compared as what it leads to (a link that cannot be
// followed is then described by itself, as the platform lists it), or compared as links.
enum class LinkRule : std::uint8_t { Follow, AsLinks };

// A link described by itself rather than by what it leads to: its target text is what it holds.
inline bool isLinkAsItself(const FindRecord& record) {
    return (record.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           record.reserved0 == IO_REPARSE_TAG_SYMLINK && !isDirectory(record);
}

// Listed as a plain file: no folder, link, FIFO, socket or device. It is opened on the listing's
// word, without its type being read again.
inline bool listedAsPlainFile(const FindRecord& record) {
    constexpr DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    return (record.attributes & notPlain) == 0 && record.reserved0 != IO_REPARSE_TAG_SYMLINK;
}

// One folder's listing by a search path (a folder and a pattern), an entry at a time, and how it
// ended, answered with the listing itself: failure stays 0 while it runs and when the folder was
// read to its end (nothing, or nothing more, matches); otherwise it is the error that cut it short.
struct FolderListing {
    HANDLE search;  // INVALID_HANDLE_VALUE once the listing has ended
    FindRecord entry;
    DWORD failure;
    int systemError;  // the system's own number for the failure
    LinkRule links;
};

// Starts a listing: true with its first entry; false when there is none, failure telling why.
// With LinkRule::AsLinks every link is described by itself.
[[nodiscard]] bool firstEntry(const char* searchPath, FolderListing* listing,
                              LinkRule links = LinkRule::Follow);
// The next entry: true with it; false at the end, the search closed and failure set.
[[nodiscard]] bool nextEntry(FolderListing* listing);
// Ends a listing before its end; nothing is failed by it.
void endListing(FolderListing* listing);
inline bool listingOpen(const FolderListing& listing) {
    return listing.search != INVALID_HANDLE_VALUE;
}

// What a lookup of one path found; Unreachable when the path could not be examined at all
// (access denied, an I/O error), which is not the same as nothing being there.
enum class Presence { Found, Missing, Unreachable };

// Looks a path up and closes the search at once.
[[nodiscard]] Presence lookUp(const char* path, FindRecord* record, LinkRule links = LinkRule::Follow);
