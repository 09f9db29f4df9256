// CreateFileA, ReadFile, WriteFile and CloseHandle over POSIX descriptors.
#include "find_data.h"
#include "folder_cache.h"
#include "handles.h"
#include "interruption.h"
#include "last_error.h"
#include "linux_calls.h"
#include "path_map.h"
#include "platform/test_points.h"
#include "system_calls.h"
#include "win32_subset.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int openFlags(DWORD desiredAccess, DWORD creationDisposition) {
    const bool reads = (desiredAccess & GENERIC_READ) != 0;
    const bool writes = (desiredAccess & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if (creationDisposition == CREATE_ALWAYS) flags |= O_CREAT;
    // Exclusive creation never follows a link planted at the name.
    if (creationDisposition == CREATE_NEW) flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
    return flags;
}

// What is at the name, before an open that would create or that was not vouched for: 0 when it may
// be opened (*exists telling whether anything is there), 1 with the last error set.
int checkBeforeOpen(const FolderRelative& at, DWORD creationDisposition, bool* exists) {
    struct stat status;
    const bool creates = creationDisposition != OPEN_EXISTING;
    const int follow = creationDisposition == CREATE_NEW ? AT_SYMLINK_NOFOLLOW : 0;
    *exists = sys::fstatat(at.folder, at.name, &status, follow) == 0;
    if (!*exists && (errno != ENOENT || !creates)) {
        setLastErrorFromErrno(errno);
        return 1;
    }
    if (*exists && creationDisposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return 1;
    }
    if (*exists && !S_ISREG(status.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 1;
    }
    return 0;
}

// A write past the file-size limit must fail as on Windows, not end the process.
void ignoreFileSizeSignal() {
    static const bool ignored = [] {
        signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES, DWORD creationDisposition, DWORD flagsAndAttributes,
                   HANDLE) {
    if (creationDisposition != OPEN_EXISTING && creationDisposition != CREATE_ALWAYS &&
        creationDisposition != CREATE_NEW) {
        SetLastError(ERROR_GEN_FAILURE);
        return INVALID_HANDLE_VALUE;
    }
    char posixPath[PATH_MAX];
    if (toPosixPath(fileName, posixPath, sizeof posixPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    if ((desiredAccess & GENERIC_WRITE) != 0) ignoreFileSizeSignal();

    // Only regular files open, as on Windows a directory does not; the type is checked before the
    // open, because opening a FIFO releases its writer and opening some devices acts on them. A file
    // the caller has just listed as a plain file is taken at its listing's word: it is opened
    // following no link, so that a name made a link since opens nothing.
    const FolderRelative at = relativeToFolder(posixPath);
    const bool listedPlain = creationDisposition == OPEN_EXISTING &&
                             (desiredAccess & GENERIC_WRITE) == 0 &&
                             (flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) != 0;
    bool existed = true;
    if (!listedPlain && checkBeforeOpen(at, creationDisposition, &existed) != 0) return INVALID_HANDLE_VALUE;
    // Non-blocking still: should a FIFO take the file's place after the check, the open cannot hang
    // and its reads come short.
    const int flags = openFlags(desiredAccess, creationDisposition) | (listedPlain ? O_NOFOLLOW : 0);
    const int descriptor = (desiredAccess & GENERIC_WRITE) == 0 ? openForReading(at.folder, at.name, flags)
                                                                : sys::openat(at.folder, at.name, flags, 0666);
    if (descriptor < 0) {
        setLastErrorFromErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    // Readers take no lock: POSIX has no share modes, and a lock seen only by programs that take
    // one protects nothing from writers, which take none. An exclusive open keeps its lock, so two
    // runs never write one log; it comes before any truncation so that such a file is never cut.
    if ((shareMode == 0 && sys::flock(descriptor, LOCK_EX | LOCK_NB) != 0) ||
        (creationDisposition == CREATE_ALWAYS && sys::ftruncate(descriptor, 0) != 0)) {
        // Held by another (EWOULDBLOCK) is Windows' sharing violation; anything else its own.
        if (errno == EWOULDBLOCK)
            SetLastError(ERROR_SHARING_VIOLATION);
        else
            setLastErrorFromErrno(errno);
        const SavedError error = saveLastError();
        sys::close(descriptor);
        // A file this call made is not left behind by its failure.
        if (!existed) sys::unlinkat(at.folder, at.name);
        restoreLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    return handleOf(descriptor);
}

namespace {

BY_HANDLE_FILE_INFORMATION informationOf(const struct stat& status) {
    WIN32_FIND_DATAA record;
    fillFindData(status, "", &record);
    const auto device = static_cast<std::uint64_t>(status.st_dev);
    const auto inode = static_cast<std::uint64_t>(status.st_ino);
    return BY_HANDLE_FILE_INFORMATION{
        record.dwFileAttributes, record.ftCreationTime, record.ftLastAccessTime,
        record.ftLastWriteTime, static_cast<DWORD>(device ^ (device >> 32)), record.nFileSizeHigh,
        record.nFileSizeLow, static_cast<DWORD>(status.st_nlink), static_cast<DWORD>(inode >> 32),
        static_cast<DWORD>(inode)};
}

}  // namespace

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information) {
    struct stat status;
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (sys::fstat(descriptorOf(file), &status) != 0) {
        setLastErrorFromErrno(errno);
        return FALSE;
    }
    *information = informationOf(status);
    return TRUE;
}

BOOL fileInformationByName(LPCSTR path, BY_HANDLE_FILE_INFORMATION* information) {
    char posixPath[PATH_MAX];
    struct stat status;
    if (toPosixPath(path, posixPath, sizeof posixPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    const FolderRelative at = relativeToFolder(posixPath);
    if (sys::fstatat(at.folder, at.name, &status, 0) != 0) {
        setLastErrorFromErrno(errno);
        return FALSE;
    }
    *information = informationOf(status);
    return TRUE;
}

namespace {

// A call interrupted by a signal is made again, unless the user asked the run to stop: then it
// fails, so that a read blocked in a slow file system gives way. Interruptions without end fail.
constexpr int mostInterruptions = 64;

bool giveWay(int* interruptions) {
    if (interruptionRequested() || ++*interruptions > mostInterruptions) {
        SetLastError(interruptionRequested() ? ERROR_OPERATION_ABORTED : ERROR_GEN_FAILURE);
        return true;
    }
    return false;
}

// A pipe, terminal or socket holds a write until its reader makes room; a file or a device does
// not. Undecided: treated as one that may.
bool mayHoldWrites(int descriptor) {
    struct stat status {};
    if (sys::fstat(descriptor, &status) != 0) return true;
    if (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode)) return false;
    return !S_ISCHR(status.st_mode) || isatty(descriptor) != 0;
}

// Waits until a write of PIPE_BUF bytes or fewer goes through without waiting, a tenth of a second
// at a time: Ctrl-C is seen however it falls, where a write blocked before it came would wait on.
// 0 when there is room (or a failure the write will tell), 1 when the run was interrupted.
int awaitRoom(int descriptor) {
    for (;;) {
        if (interruptionRequested()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return 1;
        }
        pollfd watched{descriptor, POLLOUT, 0};
        const int ready = sys::poll(&watched, 1, 100);
        if (ready > 0) return 0;
        if (ready < 0 && errno != EINTR) return 0;
    }
}

}  // namespace

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    DWORD total = 0;
    BOOL result = TRUE;
    int interruptions = 0;
    while (total < bytesToRead) {
        const DWORD asked = bytesToRead - total;
        const ssize_t got = sys::read(descriptorOf(file), static_cast<char*>(buffer) + total, asked);
        if (got < 0 && errno == EINTR && !giveWay(&interruptions)) continue;
        if (got < 0) {
            if (errno != EINTR) setLastErrorFromErrno(errno);
            result = FALSE;
        }
        if (got <= 0) break;
        total += static_cast<DWORD>(got);
        // As on Windows, a read that comes short has met the end of the file: asking again would
        // only cost a call that answers 0.
        if (static_cast<DWORD>(got) < asked) break;
    }
    if (bytesRead != nullptr) *bytesRead = total;
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
    const int descriptor = descriptorOf(file);
    const bool mayWait = mayHoldWrites(descriptor);
    DWORD total = 0;
    BOOL result = TRUE;
    int interruptions = 0;
    while (total < bytesToWrite) {
        DWORD piece = bytesToWrite - total;
        if (mayWait) {
            QUENDLE_PAUSE_POINT("before-held-write");
            if (awaitRoom(descriptor) != 0) {
                result = FALSE;
                break;
            }
            if (piece > PIPE_BUF) piece = PIPE_BUF;
        }
        const ssize_t put = sys::write(descriptor, static_cast<const char*>(buffer) + total, piece);
        if (put < 0 && errno == EINTR && !giveWay(&interruptions)) continue;
        if (put <= 0) {
            if (put < 0 && errno != EINTR) setLastErrorFromErrno(errno);
            if (put == 0) SetLastError(ERROR_HANDLE_DISK_FULL);
            result = FALSE;
            break;
        }
        total += static_cast<DWORD>(put);
    }
    if (bytesWritten != nullptr) *bytesWritten = total;
    return result;
}

BOOL DeleteFileA(LPCSTR fileName) {
    char posixPath[PATH_MAX];
    if (toPosixPath(fileName, posixPath, sizeof posixPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    if (sys::unlink(posixPath) != 0) {
        setLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

// rename() replaces its target in one step; without MOVEFILE_REPLACE_EXISTING an existing target
// is refused, as on Windows (a small window remains between the check and the rename).
BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    char from[PATH_MAX];
    char to[PATH_MAX];
    if (toPosixPath(existingName, from, sizeof from) != 0 || toPosixPath(newName, to, sizeof to) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    struct stat status;
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && sys::lstat(to, &status) == 0) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    if (sys::rename(from, to) != 0) {
        setLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD moveMethod) {
    if (moveMethod != FILE_BEGIN || distance.QuadPart < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const off_t moved = sys::lseek(descriptorOf(file), static_cast<off_t>(distance.QuadPart), SEEK_SET);
    if (moved < 0) {
        setLastErrorFromErrno(errno);
        return FALSE;
    }
    if (newPosition != nullptr) newPosition->QuadPart = moved;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    if (sys::fsync(descriptorOf(file)) == 0) return TRUE;
    setLastErrorFromErrno(errno);
    return FALSE;
}

BOOL CloseHandle(HANDLE object) {
    if (object == INVALID_HANDLE_VALUE || object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (sys::close(descriptorOf(object)) == 0) return TRUE;
    setLastErrorFromErrno(errno);
    return FALSE;
}
