#include "last_error.h"

#include <cerrno>

#include <cstdio>
#include <cstring>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
// The errno behind lastError; 0 when the layer set it without a system call failing.
thread_local int lastErrno = 0;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
    lastErrno = 0;
}

void setLastErrorFromErrno(int error, DWORD missing) {
    lastError = windowsErrorOf(error, missing);
    lastErrno = error;
}

int lastSystemError() {
    return lastErrno;
}

SavedError saveLastError() {
    return {lastError, lastErrno};
}

void restoreLastError(const SavedError& saved) {
    lastError = saved.error;
    lastErrno = saved.systemError;
}

void systemErrorText(int error, char* text, int room) {
    if (room <= 0) return;
    // The XSI strerror_r is not what glibc gives C++: strerror copied under the caller's room.
    std::snprintf(text, static_cast<std::size_t>(room), "%s", std::strerror(error));
}

DWORD windowsErrorOf(int error, DWORD missing) {
    switch (error) {
    case ENOENT: return missing;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC: return ERROR_HANDLE_DISK_FULL;
    case EPIPE: return ERROR_NO_DATA;
    case EINTR: return ERROR_OPERATION_ABORTED;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_GEN_FAILURE;
    }
}
