// What qdlcheck writes: result lines on standard output, the summary and progress on standard error.
#pragma once

#include "engine/qdl_core.h"

#include <cstdio>

// Names are in the program's (ANSI) code page; the console is told so for the run, and set back.
void beginConsoleOutput();
void endConsoleOutput();

// A log line, with the platform's own separator between the levels.
void printResultLine(const char* line);

// How the run ended, for the summary and the exit status.
enum class RunEnd : unsigned char { Complete, Stopped, Interrupted };

// The five counts, the bytes compared, the time and the rate, and whether every entry was compared.
void printSummary(const QdlCore& job, RunEnd end, double seconds);

// The exit status bits of what the run found (1, 2, 4) and of how it ended (8).
int exitBits(const QdlCore& job, RunEnd end);
