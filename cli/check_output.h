// What qdlcheck writes: result lines on standard output, the summary and progress on standard error.
#pragma once

#include "console_streams.h"
#include "engine/qdl_core.h"

#include <cstdio>

// One line on standard error: "qdlcheck: ", what, detail (text from the command line, its control
// characters shown escaped), after.
void printMessage(const char* what, const char* detail, const char* after = "");

// A log line, with the platform's own separator between the levels: 0, or 1 when standard output
// could not take it.
[[nodiscard]] int printResultLine(const char* line);
// Why the entry of a line could not be compared, on standard error: "qdlcheck: SOE : a/b: why".
void printCause(const char* line, const char* why);

// How the run ended, for the summary and the exit status.
enum class RunEnd : unsigned char {
    Complete,
    Stopped,      // the stop level
    Interrupted,  // Ctrl-C, a closed terminal, the end of the session
    OutputLost,   // standard output could not be written
};

// The five counts (and the extras, when they were asked for), the bytes read and compared and
// those settled without reading, of the total when it is told, the time and the rate, and whether
// every entry was compared.
void printSummary(const QdlCore& job, RunEnd end, double seconds, bool extras, bool totalTold);

// Why a run did not go through its whole list, as a sentence; none when it did.
const char* unfinishedRunText(const QdlCore& job, RunEnd end);

// Whether the run compared every entry in full: it went through its list without a fatal error.
bool everyEntryCompared(const QdlCore& job, RunEnd end);

// The exit status bits (ExitBit) of what the run found and of how it ended.
int exitBits(const QdlCore& job, RunEnd end);
