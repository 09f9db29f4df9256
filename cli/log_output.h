// The --log file, written under a temporary name beside it and renamed over it at the end: a run
// killed outright leaves the log that was there before whole, never a part of a new one.
#pragma once

#include "engine/own_files.h"
#include "engine/path_text.h"
#include "engine/qdl_core.h"
#include "log_text/log_file.h"
#include "platform/win32.h"

// The header comes first and holds the counts known only at the end: the lines are gathered in a
// second temporary file (the spool) as they are recorded, and copied behind the header at the end.
// Memory then does not grow with the log.
struct LogOutput {
    const char* typed;  // as given, for messages
    char path[pathRoom];
    char temporaryPath[pathRoom];
    char spoolPath[pathRoom];
    HANDLE file;  // the temporary file, open until the log is finished or discarded
    LogLineWriter lines;  // into the spool
    // Both temporary files and the log they replace: a log inside a compared tree is no entry of it.
    OwnFiles own;
};

// Creates both temporary files, so that a log that cannot be written is known before anything is
// compared: 0, or 1 after a message on standard error.
[[nodiscard]] int openLogOutput(const char* typed, LogOutput* log);
// One line of the log, in the order of the list.
void spoolLogLine(LogOutput& log, const char* line);
// Writes the header and the lines into the temporary file, and why the run did not compare every
// entry when it did not (unfinished, else none), and puts it in the log's place: 0, or 1 after a
// message on standard error, the earlier log left as it was.
[[nodiscard]] int finishLogOutput(LogOutput& log, const QdlCore& job, const char* unfinished);
// Closes and removes the temporary files (the run ended before anything was compared, or the
// log was finished): 0, or 1 after naming one that could not be removed.
[[nodiscard]] int discardLogOutput(LogOutput& log);
