// The lines of qdlcheck's standard output in the format asked for: text (names escaped), text
// ended by NUL (names as stored, for xargs -0), or one JSON object a line.
#pragma once

#include "check_options.h"
#include "check_output.h"
#include "log_text/log_lines.h"

// Prints one entry: 0, or 1 when standard output could not take it.
[[nodiscard]] int printEntry(const char* line, const LogEntry& entry, OutputFormat format);

// The last JSON object: the counts, the bytes, the time, the exit status and whether every entry
// was compared. 0, or 1 when standard output could not take it.
[[nodiscard]] int printJsonSummary(const QdlCore& job, RunEnd end, double seconds, int status,
                                   bool totalTold);
