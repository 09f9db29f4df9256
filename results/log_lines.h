// The finished pair list as text: one line per compared entry, "NEC : docs\b.txt".
#pragma once

#include "engine/qdl_core.h"
#include "name_text.h"

#include <cstdint>

// One line; its text runs from codeText up to the terminator of relativePath. The names in the
// path are shown as showName shows them.
struct LogLine {
    char codeText[4];
    char separator[2];
    char relativePath[shownPathRoom];
};

extern LogLine logLine;
// Length of the directory prefix at the start of relativePath, each level ending in "\".
extern std::int32_t logPathLength;

// Puts the job's list cursor on its first pair and empties the prefix; needed before a walk.
void rewindLogLines(QdlCore& job);
// The next line of currentJob, or none at the end of the list or at the first pending pair.
const char* nextLogLine();

// What the line nextLogLine delivered last is made of, for the outputs that carry more than it.
struct LogEntry {
    const char* storedPath;  // the relative path with the names as stored, "/" between levels
    FindRecord source;
    FindRecord destination;
    ResultCode code;
    std::uint64_t firstDifference;  // for CodeNEC: the offset of the first differing byte
};

// While the job is still being stepped: the line of the result the stepper recorded last, read
// with the caller's own cursor (start it at the list's first pair, with rewindLogLines before the
// first step) so that the stepper's stays where it is. Call once for each result recorded (and
// each extra, with withExtras: the lines of entries only the destination holds, which the log
// never shows). With entry, also what the line is made of.
const char* followLogLine(QdlCore& job, ListCursor* reader, LogEntry* entry = nullptr,
                          bool withExtras = false);
