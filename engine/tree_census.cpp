#include "tree_census.h"

#include "find_record.h"
#include "path_text.h"
#include "platform/folder_names.h"
#include "platform/test_points.h"
#include "platform/thread_calls.h"
#include "platform/wildcard.h"
#include "qdl_core.h"
#include "tree_plan.h"

#include <cstring>
#include <memory>
#include <new>
#include <system_error>

namespace {

// A path holds at most pathRoom characters, each folder at least two ("x\"): no deeper tree fits.
constexpr int deepest = pathRoom / 2;

// How a walk lists a folder: by names only, by names and the files' sizes, or by whole records.
enum class Walk : unsigned char { ByNames, ByNamesAndSizes, ByRecords };

struct CensusLevel {
    FolderListing listing;  // by records
    FolderNames names;      // by names
    FindRecord entry;       // the entry at hand; by names, only its name, whether it is a folder and its size
    bool throughLink;
    int folderLength;  // of the path, up to and with the folder's backslash
};

struct CensusWalk {
    char root[pathRoom];  // the starting folder's text
    ListingRules rules;
    char path[pathRoom];
    CensusLevel levels[deepest];
};

bool takeName(CensusLevel& level, bool found, const char* name, NameKind kind) {
    if (!found) return false;
    level.entry.sizeHigh = static_cast<DWORD>(level.names.size >> 32);
    level.entry.sizeLow = static_cast<DWORD>(level.names.size);
    // A name too long for a record is counted under a shortened one.
    std::strncpy(level.entry.name, name, sizeof level.entry.name - 1);
    level.entry.name[sizeof level.entry.name - 1] = '\0';
    level.entry.attributes = kind == NameKind::Folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    level.throughLink = kind == NameKind::Link;
    return true;
}

bool takeRecord(CensusLevel& level, bool found) {
    if (!found) return false;
    level.entry = level.listing.entry;
    level.throughLink = level.entry.reserved0 == IO_REPARSE_TAG_SYMLINK;
    return true;
}

// Opens the listing of the folder whose text (ending in a backslash) is path[0, length): false
// when it cannot be listed or holds nothing.
bool enter(CensusWalk& walk, Walk way, int depth, int length) {
    if (length + 2 > pathRoom) return false;
    CensusLevel& level = walk.levels[depth];
    level.folderLength = length;
    if (way != Walk::ByRecords) {
        walk.path[length] = '\0';
        const char* name = "";
        NameKind kind = NameKind::File;
        const bool found = firstFolderName(walk.path, way == Walk::ByNamesAndSizes, &level.names, &name, &kind);
        return takeName(level, found, name, kind);
    }
    walk.path[length] = '*';
    walk.path[length + 1] = '\0';
    return takeRecord(level, firstEntry(walk.path, &level.listing, walk.rules.links));
}

bool next(CensusLevel& level, Walk way) {
    if (way == Walk::ByRecords) return takeRecord(level, nextEntry(&level.listing));
    const char* name = "";
    NameKind kind = NameKind::File;
    const bool found = nextFolderName(&level.names, &name, &kind);
    return takeName(level, found, name, kind);
}

void leave(CensusLevel& level, Walk way) {
    if (way == Walk::ByRecords)
        endListing(&level.listing);
    else
        endFolderNames(&level.names);
}

// Walks the tree depth first, adding its entries when counting them and its bytes where the walk
// reads them: true at its end, false when stopped.
bool walkTree(TreeCensus& census, CensusWalk& walk, Walk way, bool countEntries) {
    const ListingRules& rules = walk.rules;
    int depth = 0;
    const int rootLength = static_cast<int>(std::strlen(walk.root));
    std::memcpy(walk.path, walk.root, static_cast<std::size_t>(rootLength) + 1);
    bool more = enter(walk, way, 0, rootLength);
    ListingTotals passed{};
    while (depth >= 0) {
        CensusLevel& level = walk.levels[depth];
        if (census.stop.load(std::memory_order_relaxed)) {
            for (int i = more ? depth : depth - 1; i >= 0; --i) leave(walk.levels[i], way);
            return false;
        }
        if (!more) {
            if (--depth >= 0) more = next(walk.levels[depth], way);
            continue;
        }
        const FindRecord& entry = level.entry;
        walk.path[level.folderLength] = '\0';
        const EntryPlace place{walk.path, level.folderLength, walk.path, level.folderLength};
        if (!passedOver(rules, passed, ListedSide::Source, place, entry, 0)) {
            const bool folder = isDirectory(entry);
            // A folder is entered rather than counted, as the run does when it has a copy.
            if (countEntries && !folder && matchesWildcard(rules.pattern, entry.name))
                census.entries.fetch_add(1, std::memory_order_relaxed);
            const int nameLength = static_cast<int>(std::strlen(entry.name));
            if (folder && !level.throughLink && depth + 1 < deepest &&
                level.folderLength + nameLength + 1 < pathRoom) {
                std::memcpy(walk.path + level.folderLength, entry.name, static_cast<std::size_t>(nameLength));
                walk.path[level.folderLength + nameLength] = '\\';
                if (enter(walk, way, depth + 1, level.folderLength + nameLength + 1)) {
                    ++depth;
                    continue;
                }
            } else if (way != Walk::ByNames && !folder && matchesWildcard(rules.pattern, entry.name)) {
                QUENDLE_PAUSE_POINT("census-size");
                census.bytes.fetch_add(fileSize(entry), std::memory_order_relaxed);
            }
        }
        more = next(level, way);
    }
    return true;
}

// The entries first, by names where a listing of names reads less than one of records, then the
// bytes.
void countTree(TreeCensus& census, CensusWalk& walk) {
    if (folderNamesOffered()) {
        if (!walkTree(census, walk, Walk::ByNames, true)) return;
        census.entriesComplete.store(true, std::memory_order_release);
        // The bytes cost a status read a file: a small share of a busy core, never none, so that
        // a tree of a few large files soon has its bytes.
        lowestThisThreadsPriority();
        if (!walkTree(census, walk, Walk::ByNamesAndSizes, false)) return;
    } else {
        if (!walkTree(census, walk, Walk::ByRecords, true)) return;
        census.entriesComplete.store(true, std::memory_order_release);
    }
    census.complete.store(true, std::memory_order_release);
}

}  // namespace

int startTreeCensus(const QdlCore& job, TreeCensus& census) {
    std::unique_ptr<CensusWalk> walk(new (std::nothrow) CensusWalk);
    if (walk == nullptr || treeBeingPlanned(job, walk->root, &walk->rules) != 0) return 1;
    try {
        census.thread = std::thread([&census, walk = std::move(walk)] {
            lowerThisThreadsPriority();
            countTree(census, *walk);
        });
    } catch (const std::system_error&) {
        return 1;
    }
    return 0;
}

void endTreeCensus(TreeCensus& census) {
    census.stop.store(true, std::memory_order_relaxed);
    if (census.thread.joinable()) census.thread.join();
}
