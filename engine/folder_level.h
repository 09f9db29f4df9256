// One folder of a tree listed in full: its entries, each with its destination record, and what the
// listing adds to the job's totals. A level touches nothing of the job while it is listed, so it can
// be listed on any thread, ahead of the run.
#pragma once

#include "file_identity.h"
#include "folder_entries.h"
#include "listing_rules.h"
#include "path_text.h"

#include <cstdint>

// No record: the destination of an entry planning could not look up, and the exit marker (an
// empty source name, nothing else in it read).
inline const FindRecord noRecord{};
// The folder a listing starts from, when it cannot be listed: its line names it ".".
inline const FindRecord folderItself = [] {
    FindRecord record{};
    record.attributes = FILE_ATTRIBUTE_DIRECTORY;
    record.name[0] = '.';
    return record;
}();

// The folders above the one being listed: a link back to one of them is not entered again.
struct Ancestor {
    FileIdentity identity;
    const Ancestor* above;
};

// The texts of one folder listed in tree mode.
struct TreeFolder {
    // The folder and the pattern.
    char searchPath[pathRoom];
    // The destination folder, then each entry's name behind it.
    char destinationPath[pathRoom];
    int sourceLength;
    int destinationLength;
    int destinationSplit;  // where the stepper puts a destination name: after the last backslash
};

// How listing a folder ended.
constexpr int listedInFull = 0;
constexpr int sourceUnlisted = 1;
constexpr int destinationUnlisted = 2;  // only when extras are asked for
constexpr int listingStopped = 3;       // the user asked the run to stop while it listed

class QdlCore;

// A folder of a tree between its making and its end. Three hands hold it, one after the other or
// each its own fields:
// - its lister (the planning thread, or a lister thread between the level's Listing and Listed
//   states) writes what listing finds: folder, self.identity, entries, totals, listed, fault;
//   nobody else touches them meanwhile, and the listers' lock hands them over;
// - the listers (FolderListers) own state and nextQueued, under their lock;
// - the planning thread (TreePlan) owns the rest, and the whole level once it is listed.
struct TreeLevel {
    // The lister's.
    TreeFolder folder;
    Ancestor self;  // this folder, at the head of the chain of those above it
    FolderEntries entries;
    ListingTotals totals;
    int listed;  // listedInFull, or why it was not
    Fault fault;  // what lies behind a folder not listed, when that is known
    // The listers'.
    int state;  // queued, being listed, listed
    TreeLevel* nextQueued;
    // The planning thread's; the folder texts are set when the level is made.
    EntryCursor next;  // the next entry to record
    // Once entered: the level it lies in. Listed ahead: the next level listed ahead.
    TreeLevel* above;
    // Listed ahead: the level holding its folder entry, and that entry's place there.
    const TreeLevel* parent;
    std::int32_t entryIndex;
    // How far the search for folders to list ahead has come.
    EntryCursor aheadCursor;
    char sourceFolder[pathRoom];
    char destinationFolder[pathRoom];
};

// A level for the folder texts, inside the folder `above` (none for the starting folder); none
// when it cannot be allocated.
TreeLevel* newLevel(const char* sourceFolder, const char* destinationFolder, const Ancestor* above);
// Identifies the level's folder and lists it; listed tells how it went.
void listLevel(const ListingRules& rules, TreeLevel& level);
void dropLevel(TreeLevel* level);

// The verdict of a folder whose listing failed (not one that stopped at the user's request).
inline PairState unlistedVerdict(int listed) {
    return listed == sourceUnlisted ? PairState::SourceError : PairState::DestinationError;
}

// Adds what a listing found to the job's totals, when its entries are recorded.
void addTotals(QdlCore& job, const ListingTotals& totals);

// Whether an entry as listed is a folder to enter: its copy is a folder too.
inline bool isFolderToEnter(const FindRecord& entry, const FindRecord& destination, PairState state) {
    return state == PairState::ToCompare && isDirectory(entry) && destination.name[0] != '\0';
}
