// Reading a job's pair list back in tests.
#pragma once

#include "engine/qdl_core.h"

#include <memory>
#include <string>
#include <vector>

// A row's code: the pair's result once it is recorded; before, what planning said of it.
constexpr int toCompare = -1;
constexpr int plannedSourceError = -2;
constexpr int plannedDestinationError = -3;
constexpr int plannedExtra = -4;
constexpr int comparedElsewhere = -5;

struct PairRow {
    std::string source;       // "." for a directory exit marker
    std::string destination;  // empty when the destination is missing
    int code;
    bool operator==(const PairRow&) const = default;
};

// Every pair in list order; the cursor is back at the start afterwards.
std::vector<PairRow> pairRows(const QdlCore& job);

std::unique_ptr<QdlCore> plannedJob(const std::string& source, const std::string& destination,
                                    StopLevel level = StopByErrors);

// Steps until the list is exhausted; returns the number of calls, the last one included.
int stepToEnd(QdlCore& job);
