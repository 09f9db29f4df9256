// When a run stops before the end of its list.
#pragma once

#include "qdl_core.h"

// True once a result of the job's stop level's severity or worse has been recorded: notices stop
// at any notice, error or fatal error; errors at an error or fatal error; fatal errors at a fatal
// error; "ignore any errors" never.
inline bool stopRuleHolds(const QdlCore& job) {
    const StopLevel level = job.options.stopLevel;
    const CompareStats& stats = job.stats;
    return (level <= StopByNotices && stats.notices != 0) ||
           (level <= StopByErrors && stats.errors != 0) ||
           (level <= StopByFatalErrors && stats.fatalErrors != 0);
}
