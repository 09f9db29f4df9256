// The log file: a header with both roots and the five counts, then every log line, CR LF ends.
#pragma once

#include "engine/qdl_core.h"
#include "platform/win32.h"

#include <cstdint>

// Log lines on their way to a file, gathered into large writes.
struct LogLineWriter {
    HANDLE file;
    DWORD used;
    bool failed;  // a write failed or fell short: nothing more is written
    std::uint64_t written;  // bytes put into the file
    char bytes[65536];
};

void startLogLines(LogLineWriter& writer, HANDLE file);
void writeLogLine(LogLineWriter& writer, const char* line);
// Writes out what is gathered: 0 when every line went into the file, 1 otherwise.
[[nodiscard]] int endLogLines(LogLineWriter& writer);

// The header, counts as they stand: 0, or 1 when a write failed or fell short.
[[nodiscard]] int writeLogHeader(const QdlCore& job, HANDLE file);
// The end of a log whose run did not compare every entry, behind its lines: an empty line, then why
// (a sentence of its own, which no line of an entry can be taken for). 0, or 1 when a write failed.
[[nodiscard]] int writeLogEnd(HANDLE file, const char* why);
// Writes the job's log to an open file; 0 when every byte was written, 1 at the first write that
// failed or fell short (nothing more is written then).
[[nodiscard]] int writeLogFile(const QdlCore& job, HANDLE file);
