// One file pair's comparison on a context of its own: its open files, what is left of it and the
// buffers its chunks are read into. The dialog's stepper and qdlcheck's workers both run pairs
// through it, so a pair gets the same code whoever compares it.
#pragma once

#include "fault_cause.h"
#include "find_record.h"
#include "platform/whole_file_reads.h"
#include "result_code.h"

#include <cstdint>

struct PairComparison {
    HANDLE sourceHandle;  // null while no pair is open
    HANDLE destinationHandle;
    std::uint64_t sourceRemaining;  // source bytes not yet counted as compared
    std::uint64_t commonRemaining;  // bytes of the common length still to compare
    // chunk + 4 bytes each: four bytes of slack for the zero padding of the comparison.
    unsigned char* sourceBuffer;
    unsigned char* destinationBuffer;
    std::uint32_t chunk;  // bytes read from each side at a time
    // Last-write times this far apart (100-ns units) still count as equal; 0 compares them exactly.
    std::uint64_t timeWindow;
    std::uint64_t firstDifference;  // once the pair ended as CodeNEC: its first differing byte
    Fault fault;  // once the pair ended with a fatal code: why, where that is known
    // A read gave way to the user's request to stop: the pair ended, closed, with no code at all.
    bool interrupted;
};

// Opens both files of a pair, sharing them with other readers only. pairGoesOn when both opened
// and the pair is in progress; otherwise CodeSOE or CodeDOE with nothing left open, the fault that
// of the open that failed and the last error its own.
[[nodiscard]] int openPair(PairComparison& pair, const char* sourcePath, const char* destinationPath,
                    const FindRecord& source, const FindRecord& destination);
// Moves a pair just opened to offset (a multiple of the dialogs' chunk) in both files, so that its
// chunks from there on are compared as they would be had every chunk before them been equal: a
// range of a large pair compared by another process. pairGoesOn, or CodeSRE or CodeDRE with both
// files closed and the fault set when a file cannot be moved.
[[nodiscard]] int movePairTo(PairComparison& pair, std::uint64_t offset);
// Compares the next chunk of the pair in progress, adding the bytes it accounts for to *compared
// and those it read from both sides and compared to *read. pairGoesOn while the pair goes on;
// otherwise its code, with both files closed. A file that fails as it is closed ends an
// identical pair with that side's read error: the system could not vouch for what was read. A
// read that gave way to the user's request to stop ends the pair without a code: pairGoesOn,
// closed, with interrupted set.
[[nodiscard]] int comparePairChunk(PairComparison& pair, const FindRecord& source,
                            const FindRecord& destination, std::uint64_t* compared,
                            std::uint64_t* read);
// A pair read whole in one go, by a batch of the platform's (whole_file_reads.h): two plain files
// whose common length is below wholePairMost. What each side is asked for, or noWholeAsk for a
// pair that is compared chunk by chunk.
constexpr std::uint32_t wholePairMost = 32768;
constexpr std::uint32_t noWholeAsk = UINT32_MAX;
std::uint32_t wholePairAsk(const FindRecord& source, const FindRecord& destination);
// The code openPair and comparePairChunk would give the pair, judged from what the batch's calls
// answered: the same code, bytes, first difference and fault whichever way the files were read.
// The pair's buffers hold what was read (with 4 bytes of slack each); nothing is left open.
[[nodiscard]] int judgeWholePair(PairComparison& pair, const FindRecord& source,
                                 const FindRecord& destination, const WholeFileRead& sourceRead,
                                 const WholeFileRead& destinationRead, std::uint64_t* compared,
                                 std::uint64_t* read);
// An open that failed for a reason of this run rather than of the file (no descriptor left):
// the pair is worth opening again once the run's other files are closed.
bool openMayWorkAlone(DWORD error);
// Closes the pair's files without a result and forgets what was left of it: 0, or CodeSRE or
// CodeDRE (the fault set) when the system reported a failure as it closed one.
int closePair(PairComparison& pair);
