// Carrying a planned job through its pairs, one bounded unit of work per call.
#pragma once

#include "find_record.h"
#include "qdl_core.h"

#include <cstdint>

// The pair in progress; one job is stepped at a time. No file is open while sourceHandle is null.
struct CurrentPair {
    std::uint64_t sourceRemaining;
    std::uint64_t commonRemaining;
    FindRecord currentDestination;
    HANDLE sourceHandle;
    HANDLE destinationHandle;
};

extern CurrentPair currentPair;

// 0 while there is more to do, 1 once the list is exhausted.
int compareStep(QdlCore& job);
// Reads length bytes from each file and compares them: 0 equal, 4 differ, 10 or 11 a short read.
int compareChunk(QdlCore& job, HANDLE source, HANDLE destination, std::uint32_t length);
void recordResult(QdlCore& job, ResultCode code);
// comparedBytes in percent of totalBytes, both cut to 25 significant bits first.
int computeRate(const QdlCore& job);

bool pairInProgress();
// Closes the files of the pair in progress without a result; the pair stays Pending.
void abandonPairInProgress();
