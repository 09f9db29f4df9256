// What a listing reads of the run, fixed before planning starts, and what it adds to the run's
// totals: any thread may list a folder by them.
#pragma once

#include "own_files.h"

#include <cstdint>

struct ListingRules {
    const char* pattern;  // a tree's pattern, applied at every level
    bool listExtras;      // the destination folder is walked beside the source one
    const OwnFiles* ownFiles;  // none when the run makes no file
};

// What listing a folder adds to the job, kept apart until its entries are recorded.
struct ListingTotals {
    std::uint64_t bytes;               // of the files that have a copy to compare with
    std::int32_t temporaryPassedOver;
    std::int32_t ownFilesPassedOver;
    std::int32_t lostPairs;            // entries dropped for want of memory
};

struct FindRecord;

// Whether a listing passes over an entry of the folder whose text is the first folderLength
// characters of folder: "." and "..", temporary entries, the run's own files, and what the mode
// does not record (notRecorded attributes). Temporary entries of the source and own files of
// either side are counted.
enum class ListedSide : unsigned char { Source, Destination };
bool passedOver(const ListingRules& rules, ListingTotals& totals, ListedSide side, const char* folder,
                int folderLength, const FindRecord& entry, DWORD notRecorded);
