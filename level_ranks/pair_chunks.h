// The file pairs too large to be compared where they were listed: rank 0 cuts each into ranges
// of a few megabytes and hands them, one at a time, to whichever rank is free. A pair's answer is
// that of its range of least offset that is not equal, its bytes read those of the ranges up to
// it: what one process reading the pair from its start would have found and counted.
#pragma once

#include "level_pairs.h"

#include <cstdint>

// The bytes of a range: a multiple of the workers' chunk, so that ranges read the chunks one
// process would read.
constexpr std::uint64_t defaultRangeBytes = std::uint64_t{16} << 20;

// One range, as a rank is asked to compare it.
struct RangeRequest {
    char sourcePath[pathRoom];
    char destinationPath[pathRoom];
    FindRecord source;
    FindRecord destination;
    std::uint64_t offset;
    std::uint64_t length;  // 0: to the pair's end, where its sizes, time and attributes are judged
};

// How a range compared: pairGoesOn when it was equal and the pair goes on behind it; otherwise
// the pair's code, found in this range.
struct RangeAnswer {
    std::int32_t code;
    std::uint64_t bytes;            // bytes it accounts for, as the stepper counts them
    std::uint64_t read;             // bytes read from both sides and compared
    std::uint64_t firstDifference;  // for CodeNEC, from the files' start
    Fault fault;
};

// A rank's side: compares one range.
RangeAnswer compareRange(const RangeRequest& range, std::uint64_t timeWindow, PairBuffers& buffers);

// Rank 0's side: one large pair of a listed level.
struct LargePair {
    std::int32_t entry;  // its place among the level's entries
    std::int32_t firstRange;
    std::int32_t rangeCount;
    FindRecord source;
    FindRecord destination;
    char sourcePath[pathRoom];
    char destinationPath[pathRoom];
};

// The large pairs of one listed level, their ranges and what came back of them.
struct CutLevel {
    TreeLevel* level;  // none once the run no longer awaits it: what comes back is dropped
    std::uint64_t rangeBytes;
    LargePair* pairs;
    std::int32_t pairCount;
    std::int32_t* rangeOwners;  // per range, its pair
    RangeAnswer* answers;       // per range
    std::int32_t rangeCount;
    std::int32_t nextRange;  // the next to hand out
    std::int32_t rangesOut;  // handed out and not back
    CutLevel* next;
};

// The large pairs of a level listed in full, cut into ranges of rangeBytes: none when it holds no
// such pair, or when there is no memory for them (rank 0's workers then compare them).
CutLevel* cutLargePairs(TreeLevel* level, std::uint64_t rangeBytes);
// Range r of a cut level, as a rank is asked to compare it.
void rangeOf(const CutLevel& cut, std::int32_t r, RangeRequest* range);
// Once every range is back: the level's entries again, each large pair with its answer
// (PairState::Compared): 0; 1 without the memory for it (the pairs are then left to rank 0).
int settleLargePairs(CutLevel& cut);
void dropCutLevel(CutLevel* cut);
