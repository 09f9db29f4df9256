// The --log file, written under a temporary name beside it and renamed over it at the end: a run
// killed outright leaves the log that was there before whole, never a part of a new one.
#pragma once

#include "engine/path_text.h"
#include "engine/qdl_core.h"
#include "platform/win32.h"

struct LogOutput {
    const char* typed;  // as given, for messages
    char path[pathRoom];
    char temporaryPath[pathRoom];
    HANDLE file;  // the temporary file, open until the log is finished or discarded
};

// Creates the temporary file, so that a log that cannot be written is known before anything is
// compared: 0, or 1 after a message on standard error.
[[nodiscard]] int openLogOutput(const char* typed, LogOutput* log);
// Writes the job's log into the temporary file and puts it in the log's place: 0, or 1 after a
// message on standard error, the earlier log left as it was.
[[nodiscard]] int finishLogOutput(LogOutput& log, const QdlCore& job);
// Closes and removes the temporary file: the run ended before anything was compared.
void discardLogOutput(LogOutput& log);
