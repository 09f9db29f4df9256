// CreateFileA, ReadFile, WriteFile and CloseHandle over POSIX descriptors.
// A handle is the descriptor plus one, so that no open file is ever the null handle.
#include "path_map.h"
#include "win32_subset.h"

#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

HANDLE handleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(descriptor) + 1);
}

int descriptorOf(HANDLE file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(file) - 1);
}

int openFlags(DWORD desiredAccess, DWORD creationDisposition) {
    const bool reads = (desiredAccess & GENERIC_READ) != 0;
    const bool writes = (desiredAccess & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if (creationDisposition == CREATE_ALWAYS) flags |= O_CREAT;
    return flags;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD, HANDLE) {
    if (creationDisposition != OPEN_EXISTING && creationDisposition != CREATE_ALWAYS)
        return INVALID_HANDLE_VALUE;
    char posixPath[PATH_MAX];
    if (toPosixPath(fileName, posixPath, sizeof posixPath) != 0) return INVALID_HANDLE_VALUE;

    // Non-blocking, so that a named pipe in a compared tree cannot hang the open; on the regular
    // files that are kept open the flag changes nothing.
    const int descriptor = open(posixPath, openFlags(desiredAccess, creationDisposition), 0666);
    if (descriptor < 0) return INVALID_HANDLE_VALUE;
    struct stat status;
    const int lockMode = (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB;
    // Only regular files open, as on Windows a directory does not; the lock comes before any
    // truncation so that a file held by someone else is never cut.
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        flock(descriptor, lockMode) != 0 ||
        (creationDisposition == CREATE_ALWAYS && ftruncate(descriptor, 0) != 0)) {
        close(descriptor);
        return INVALID_HANDLE_VALUE;
    }
    return handleOf(descriptor);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    DWORD total = 0;
    BOOL result = TRUE;
    while (total < bytesToRead) {
        const ssize_t got = read(descriptorOf(file), static_cast<char*>(buffer) + total,
                                 bytesToRead - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) result = FALSE;
        if (got <= 0) break;
        total += static_cast<DWORD>(got);
    }
    if (bytesRead != nullptr) *bytesRead = total;
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
    DWORD total = 0;
    BOOL result = TRUE;
    while (total < bytesToWrite) {
        const ssize_t put = write(descriptorOf(file), static_cast<const char*>(buffer) + total,
                                  bytesToWrite - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            result = FALSE;
            break;
        }
        total += static_cast<DWORD>(put);
    }
    if (bytesWritten != nullptr) *bytesWritten = total;
    return result;
}

BOOL CloseHandle(HANDLE object) {
    if (object == INVALID_HANDLE_VALUE || object == nullptr) return FALSE;
    return close(descriptorOf(object)) == 0 ? TRUE : FALSE;
}
