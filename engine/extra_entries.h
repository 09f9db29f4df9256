// Entries that only the destination holds: a destination folder listed beside its source folder
// and walked in step with it. A destination entry of the same name as the source entry is that
// entry's record (no lookup needed); one that comes before it has no source entry of that name
// and is recorded as an extra, unless the source folder holds it after all (a platform that lists
// in another order, or that ignores letter case).
#pragma once

#include "find_record.h"
#include "folder_entries.h"
#include "listing_rules.h"

// Where a walk records the extras, in the folder's order, and by which rules.
struct WalkRecording {
    const ListingRules* rules;
    ListingTotals* totals;
    FolderEntries* extras;
};

struct DestinationWalk {
    FolderListing listing;  // its entry is the one the walk stands on, while the listing is open
    bool withFolders;      // a folder pattern compares files only: a folder is no extra there
    WalkRecording recording;
    char folder[pathRoom];   // the destination folder's text, ending in a backslash
    int folderLength;
    char* sourcePath;      // the source folder's text, with room to put a name behind it
    int sourceLength;
};

// A walk that lists nothing, for a source folder listed without extras.
DestinationWalk noDestinationWalk(char* sourcePath, int sourceLength);
// Starts the walk on the destination search path (a folder and the source's pattern): 0, or 1 when the folder could not be listed, the error in walk->listing.failure (a
// folder that is not there holds no extras).
[[nodiscard]] int startDestinationWalk(const char* searchPath, bool withFolders, char* sourcePath,
                                       int sourceLength, WalkRecording recording,
                                       DestinationWalk* walk);
// Records the extras that come before the source entry name; true with the destination entry of
// that very name in *same when the walk stands on it (it then moves past it). *failed is set when
// the listing failed part-way.
bool walkTo(DestinationWalk& walk, const char* name, FindRecord* same, bool* failed);
// Records every extra that is left; 0, or 1 when the listing failed part-way. Ends the walk.
[[nodiscard]] int finishDestinationWalk(DestinationWalk& walk);
// Ends the walk without recording anything more.
void endDestinationWalk(DestinationWalk& walk);
