// Standard output and standard error as qdlcheck writes them: through the platform's file calls,
// so that a failure, a reader gone or a write interrupted by Ctrl-C is known for what it is (and a
// test build can make each write fail). Standard output is gathered into large writes; standard
// error is written at once.
#pragma once

#include <cstddef>

// Names are in the program's code page; the console is told so for the run, and set back.
void beginConsoleOutput();
// Writes out what standard output holds and sets the console back: 0, or 1 when standard output
// or standard error could not take everything written to them.
[[nodiscard]] int endConsoleOutput();

// Bytes on standard output: 0, or 1 when it can take nothing more (the first failure is kept).
[[nodiscard]] int writeOutput(const char* bytes, std::size_t length);
// Hands what standard output holds to its reader, so that lines written to a pipe or a file come as
// they are found: 0, or 1 when standard output failed.
[[nodiscard]] int flushOutput();

// A write to standard output gave way to Ctrl-C: the run was interrupted, its output not lost.
bool outputInterrupted();
// Says why standard output failed, unless a reader closed the pipe (pipelines expect quiet) or the
// user interrupted the run, and whether it was lost: 0, or 1.
[[nodiscard]] int reportOutputFailure();

// Text on standard error, formatted as printf does.
void printError(const char* format, ...) __attribute__((format(printf, 1, 2)));
