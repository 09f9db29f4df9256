// The pair list as text: one line per compared entry, "NEC : docs\b.txt".
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

// What the line read last is made of, for the outputs that carry more than it.
struct LogEntry {
    const char* storedPath;  // the relative path with the names as stored, "/" between levels
    FindRecord source;
    FindRecord destination;
    ResultCode code;
    std::uint64_t firstDifference;  // for CodeNEC: the offset of the first differing byte
    Fault fault;  // for a fatal code: why, when that is known
};

// Room for a path as stored: a folder path the program could enter and a name longer than it could
// open (such an entry is reported, and its path must not be cut into another's).
constexpr int storedPathRoom = 2 * pathRoom;

// One walk of a job's lines: its own cursor in the list, the line and the folder prefix it is in.
// Any number of readers may walk one job, also while it is being stepped (on the stepping thread):
// a reader never moves the list's own cursor.
struct LogReader {
    ListCursor cursor;
    LogLine line;
    // Length of the directory prefix at the start of line.relativePath, each level ending in "\".
    std::int32_t pathLength;
    // The line's path beside the shown one: names as stored, "/" (which no name holds) between levels.
    char storedPath[storedPathRoom];
    std::int32_t storedPathLength;
    LogEntry entry;
};

// Puts the reader on the job's first pair with an empty prefix.
void startLogReader(const QdlCore& job, LogReader* reader);
// The next line, or none at the end of the list or at the first pair without a result (a walk
// beside the stepper stops there until the pair is recorded). With withExtras, also the lines of
// the entries only the destination holds, which the log never shows. reader.entry tells what the
// line is made of.
const char* readLogLine(const QdlCore& job, LogReader& reader, bool withExtras = false);

// The dialogs' walk, of currentJob, through one process-wide reader: its line and prefix length.
extern LogLine& logLine;
extern std::int32_t& logPathLength;
// Starts the dialogs' walk at the job's first pair; needed before a walk.
void rewindLogLines(const QdlCore& job);
// The next line of currentJob, or none at the end of the list or at the first pending pair.
const char* nextLogLine();
