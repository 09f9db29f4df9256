// The file pairs a rank other than 0 compares in the level it has just listed, so that rank 0
// takes them as compared: small plain files, whose comparison costs less than a message of its own.
// Larger ones are compared by rank 0, as are links described by themselves, FIFOs and devices.
#pragma once

#include "engine/folder_level.h"
#include "engine/job_stepper.h"
#include "engine/pair_comparison.h"
#include "platform/whole_file_reads.h"

#include <cstdint>

// Pairs whose files both hold at most this many bytes are compared where they were listed.
constexpr std::uint64_t comparedWhereListedMost = 1 << 20;

// What other ranks do with an entry of a listed level: nothing (a folder, a link compared as a
// link, a FIFO or device, an entry with planning's verdict), compare it where it was listed, or
// compare it in ranges handed out by rank 0.
enum class PairSize { NotComparedElsewhere, Small, Large };
PairSize sizeOfPair(const TreeLevel& level, const FindRecord& source, const FindRecord& destination,
                    PairState state);
// An entry's path: its folder's text, then its name.
void pathOf(const char* folder, const FindRecord& entry, char (&path)[pathRoom]);

// The pairs read whole in one batch, where the platform offers batches: their places among the
// level's entries, their records and paths; their bytes packed into the buffers.
struct PairBatch {
    static constexpr int most = wholeFileReadsMost / 2;
    int count;
    std::uint32_t packed;
    std::int32_t index[most];
    FindRecord source[most];
    FindRecord destination[most];
    char sourcePath[most][pathRoom];
    char destinationPath[most][pathRoom];
    WholeFileRead reads[2 * most];  // each pair's source, then its destination
};

// What one rank compares with: a pair's chunks, or a batch of small pairs packed one behind the
// other, read into the buffers.
struct PairBuffers {
    unsigned char source[workerChunk + 4];
    unsigned char destination[workerChunk + 4];
    PairBatch batch;
};

// A comparison reading into the buffers, with the run's time window.
PairComparison comparisonOn(PairBuffers& buffers, std::uint64_t timeWindow);

// The level's entries again into *compared, each small file pair with the answer its comparison
// gave (PairState::Compared), every other entry as it was: 0; 1 without the memory for it.
int compareListedPairs(const TreeLevel& level, std::uint64_t timeWindow, PairBuffers& buffers,
                       FolderEntries* compared);
