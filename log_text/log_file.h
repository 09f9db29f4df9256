// The log file: a header with both roots and the five counts, then every log line, CR LF ends.
#pragma once

#include "engine/qdl_core.h"
#include "platform/win32.h"

// Writes the job's log to an open file; 0 when every byte was written, 1 at the first write that
// failed or fell short (nothing more is written then).
[[nodiscard]] int writeLogFile(const QdlCore& job, HANDLE file);
