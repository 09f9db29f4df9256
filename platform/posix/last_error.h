// The thread's last-error value, set from errno the way Windows reports the same failures.
#pragma once

#include "win32_subset.h"

// Sets the last error for errno; missingFolder is the value for ENOENT (a search of a missing
// folder reports ERROR_PATH_NOT_FOUND, a missing entry ERROR_FILE_NOT_FOUND).
void setLastErrorFromErrno(int error, DWORD missing = ERROR_FILE_NOT_FOUND);
// The last error with the errno behind it, kept across a call that would set them again (closing
// what a failed call left open).
struct SavedError {
    DWORD error;
    int systemError;
};
SavedError saveLastError();
void restoreLastError(const SavedError& saved);

// The Windows error for errno, the same way.
DWORD windowsErrorOf(int error, DWORD missing = ERROR_FILE_NOT_FOUND);
