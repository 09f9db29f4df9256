// A job whose pair list is written directly, with the codes a finished run would have left.
#pragma once

#include "engine/qdl_core.h"

#include <memory>
#include <vector>

struct RecordedPair {
    const char* name;  // "." for a directory exit marker, recorded with its empty name
    bool directory;
    int code;
};

// Installs the job as currentJob; the returned owner clears currentJob again when it goes.
std::shared_ptr<QdlCore> recordedJob(const char* source, const char* destination,
                                     const std::vector<RecordedPair>& pairs);
