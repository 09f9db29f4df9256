// The entries of one folder listed in full, packed: the fields the run reads of both records and their names
// as long as they are, in one growing block. A listed folder waits here until its entries are
// recorded in the pair list; packed, it takes a small part of the list's room.
#pragma once

#include "fault_cause.h"
#include "find_record.h"
#include "result_code.h"

#include <cstddef>
#include <cstdint>

// Where a reader of the entries stands.
struct EntryCursor {
    std::size_t offset;
    std::int32_t index;
};

class FolderEntries {
public:
    FolderEntries() : bytes(nullptr), used(0), room(0), count(0), lostPairs(0) {}
    ~FolderEntries();
    FolderEntries(const FolderEntries&) = delete;
    FolderEntries& operator=(const FolderEntries&) = delete;

    // 0 when kept; 1 when there was no memory for it and the entry was lost (counted in lostPairs).
    // A pair Compared comes with what its comparison answered.
    int addPair(const FindRecord& source, const FindRecord& destination,
                PairState state = PairState::ToCompare, Fault fault = noFault,
                const ComparedElsewhere* compared = nullptr);
    // 0 with the entry at the cursor (and why planning gave it its verdict, and what a pair
    // Compared answered, when asked), moving past it; 1 at the end.
    int pairAt(EntryCursor* at, FindRecord* source, FindRecord* destination, PairState* state,
               Fault* fault = nullptr, ComparedElsewhere* compared = nullptr) const;
    static EntryCursor start() { return {0, 0}; }

    char* bytes;
    std::size_t used;
    std::size_t room;
    std::int32_t count;
    std::int32_t lostPairs;
};
