// Carrying a planned job through its pairs, one bounded unit of work per call.
#pragma once

#include "find_record.h"
#include "pair_comparison.h"
#include "qdl_core.h"

#include <cstdint>

// 0 while there is more to do, 1 once the list is exhausted (or a read gave way to the user's
// request to stop, the pair it read left without a code). The pair in progress is the job's own
// (QdlCore::inProgress), its chunks read into the job's buffers.
[[nodiscard]] int compareStep(QdlCore& job);
// The same with a comparison of the caller's, its buffers and chunk its own; the caller closes it
// (closePair) if it ends the run with a pair in progress.
[[nodiscard]] int compareStep(QdlCore& job, PairComparison& comparison);
// Sets the code of the pair taken last and counts it.
void recordResult(QdlCore& job, ResultCode code);
// part in percent of whole, both cut to 25 significant bits first (32-bit arithmetic in the
// Windows original): 100 for an empty whole.
int percentOf(std::uint64_t part, std::uint64_t whole);
// comparedBytes in percent of totalBytes.
int computeRate(const QdlCore& job);

bool pairInProgress(const QdlCore& job);
// Closes the files of the pair in progress without a result; the pair stays unrecorded.
void abandonPairInProgress(QdlCore& job);

// How a pair's code enters the counters.
enum class Settling : std::uint8_t {
    Uncounted,  // a folder entered or left: code OK, not counted
    Counted,    // counted without bytes: planning's verdict, a missing destination
    WithBytes,  // counted with the bytes it accounts for, the rate worked out again
    Extra,      // an entry only the destination holds, counted apart
};

struct PairOutcome {
    int code;  // a ResultCode, or pairGoesOn: a file pair to open and compare, its paths in the work paths
    Settling settling;
    std::uint64_t bytes;
    std::uint64_t read;  // of bytes, those read from both sides and compared
    std::uint64_t firstDifference;  // for CodeNEC
    Fault fault;  // for a fatal code: why, when that is known
};

// Takes the next pair into currentSource and destination and moves the work paths, deciding all
// that can be decided without opening a file: 0, or 1 at the end of the list. Told not to wait,
// planWaits (tree_plan.h), nothing taken, when the next pair lies in a folder other processes
// have not sent back yet.
[[nodiscard]] int takePair(QdlCore& job, FindRecord& destination, PairOutcome* outcome, bool mayWait = true);
// Gives the pair just before slot its code and counts it.
void settlePair(QdlCore& job, const ListCursor& slot, const PairOutcome& outcome);
