#include "last_error.h"

#include <cerrno>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}

void setLastErrorFromErrno(int error, DWORD missing) {
    switch (error) {
    case ENOENT: lastError = missing; break;
    case ENOTDIR: lastError = ERROR_PATH_NOT_FOUND; break;
    case EACCES:
    case EPERM: lastError = ERROR_ACCESS_DENIED; break;
    case ENOMEM: lastError = ERROR_NOT_ENOUGH_MEMORY; break;
    case ENAMETOOLONG: lastError = ERROR_FILENAME_EXCED_RANGE; break;
    case ELOOP: lastError = ERROR_CANT_RESOLVE_FILENAME; break;
    case EMFILE:
    case ENFILE: lastError = ERROR_TOO_MANY_OPEN_FILES; break;
    case EEXIST: lastError = ERROR_FILE_EXISTS; break;
    case ENOSPC: lastError = ERROR_HANDLE_DISK_FULL; break;
    case EBADF: lastError = ERROR_INVALID_HANDLE; break;
    default: lastError = ERROR_GEN_FAILURE; break;
    }
}
