#include "tree_census.h"

#include "find_record.h"
#include "path_text.h"
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

struct CensusLevel {
    FolderListing listing;
    int folderLength;  // of the path, up to and with the folder's backslash
};

struct CensusWalk {
    char root[pathRoom];  // the starting folder's text
    ListingRules rules;
    char path[pathRoom];
    CensusLevel levels[deepest];
};

// Opens the listing of the folder whose text (ending in a backslash) is path[0, length): false
// when it cannot be listed or holds nothing.
bool enter(CensusWalk& walk, int depth, int length, LinkRule links) {
    if (length + 2 > pathRoom) return false;
    walk.path[length] = '*';
    walk.path[length + 1] = '\0';
    walk.levels[depth].folderLength = length;
    return firstEntry(walk.path, &walk.levels[depth].listing, links);
}

void countTree(TreeCensus& census, CensusWalk& walk) {
    const ListingRules& rules = walk.rules;
    int depth = 0;
    const int rootLength = static_cast<int>(std::strlen(walk.root));
    std::memcpy(walk.path, walk.root, static_cast<std::size_t>(rootLength) + 1);
    bool more = enter(walk, 0, rootLength, rules.links);
    ListingTotals passed{};
    while (depth >= 0) {
        CensusLevel& level = walk.levels[depth];
        if (census.stop.load(std::memory_order_relaxed)) {
            for (int i = more ? depth : depth - 1; i >= 0; --i) endListing(&walk.levels[i].listing);
            return;
        }
        if (!more) {
            if (--depth >= 0) more = nextEntry(&walk.levels[depth].listing);
            continue;
        }
        const FindRecord& entry = level.listing.entry;
        walk.path[level.folderLength] = '\0';
        const EntryPlace place{walk.path, level.folderLength, walk.path, level.folderLength};
        if (!passedOver(rules, passed, ListedSide::Source, place, entry, 0)) {
            if (isDirectory(entry) || matchesWildcard(rules.pattern, entry.name))
                census.entries.fetch_add(1, std::memory_order_relaxed);
            const bool throughLink = entry.reserved0 == IO_REPARSE_TAG_SYMLINK;
            const int nameLength = static_cast<int>(std::strlen(entry.name));
            if (isDirectory(entry) && !throughLink && depth + 1 < deepest &&
                level.folderLength + nameLength + 1 < pathRoom) {
                std::memcpy(walk.path + level.folderLength, entry.name, static_cast<std::size_t>(nameLength));
                walk.path[level.folderLength + nameLength] = '\\';
                if (enter(walk, depth + 1, level.folderLength + nameLength + 1, rules.links)) {
                    ++depth;
                    continue;
                }
            } else if (!isDirectory(entry) && matchesWildcard(rules.pattern, entry.name)) {
                census.bytes.fetch_add(fileSize(entry), std::memory_order_relaxed);
            }
        }
        more = nextEntry(&level.listing);
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
