// What a listing reads of the run, fixed before planning starts, and what it adds to the run's
// totals: any thread may list a folder by them.
#pragma once

#include "entry_filter.h"
#include "fault_cause.h"
#include "find_record.h"
#include "own_files.h"

#include <atomic>
#include <cstdint>

struct ListingRules {
    const char* pattern;  // a tree's pattern, applied at every level
    bool listExtras;      // the destination folder is walked beside the source one
    LinkRule links;
    const OwnFiles* ownFiles;   // none when the run makes no file
    const EntryFilter* filter;  // none when nothing is left out
    int rootLength;  // of the starting source folder's text: a path for the filter starts behind it
    // Set when the user asks the run to stop: a listing gives way between entries. None: never.
    const std::atomic<bool>* stop;
};

// What listing a folder adds to the job, kept apart until its entries are recorded.
struct ListingTotals {
    std::uint64_t bytes;               // of the files that have a copy to compare with
    std::int32_t temporaryPassedOver;
    std::int32_t ownFilesPassedOver;
    std::int32_t filteredOut;          // entries left out by the filter, a folder as one
    std::int32_t lostPairs;            // entries dropped for want of memory
    Fault failure;                     // why a listing failed, when one did
};

// Where a listed entry lies: its folder's text (ending in a backslash), and the source folder's
// text that leads to the same place, the path from the starting folder lying behind rootLength.
struct EntryPlace {
    const char* folder;
    int folderLength;
    const char* sourceFolder;
    int sourceLength;
};

// Whether a listing passes over an entry: "." and "..", temporary entries, what the mode does not
// record (notRecorded attributes), the run's own files and what the filter leaves out. Temporary
// entries of the source, own files and entries left out on either side are counted.
enum class ListedSide : unsigned char { Source, Destination };
bool passedOver(const ListingRules& rules, ListingTotals& totals, ListedSide side,
                const EntryPlace& place, const FindRecord& entry, DWORD notRecorded);
