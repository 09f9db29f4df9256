#include "log_output.h"

#include "check_output.h"
#include "check_specifications.h"
#include "log_text/log_file.h"

#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr int namingAttempts = 16;

// A name in the log's folder that nobody can have chosen beforehand: 64 random bits.
int temporaryName(const char* logPath, char (&name)[pathRoom]) {
    const char* slash = std::strrchr(logPath, '\\');
    const int folderLength = static_cast<int>(slash - logPath) + 1;
    std::random_device random;
    const unsigned long long bits =
        (static_cast<unsigned long long>(random()) << 32) ^ static_cast<unsigned long long>(random());
    char file[40];
    std::snprintf(file, sizeof file, ".qdlcheck-%016llx.tmp", bits);
    if (!fitsBehind(folderLength, file)) return 1;
    std::memcpy(name, logPath, static_cast<std::size_t>(folderLength));
    appendCut(name, folderLength, file, pathLimit);
    return 0;
}

// Removes a temporary file: 0, or 1 after naming the one left behind.
int removeTemporary(const char* path) {
    if (DeleteFileA(path) != 0) return 0;
    printMessage("the temporary file ", std::strrchr(path, '\\') + 1, " could not be removed");
    return 1;
}

int cannotCreate(const LogOutput& log) {
    printMessage("cannot create the log file ", log.typed);
    return 1;
}

// Created exclusively: a link planted at the name is never written through.
HANDLE createTemporary(const char* logPath, char (&name)[pathRoom]) {
    for (int attempt = 0; attempt < namingAttempts; ++attempt) {
        if (temporaryName(logPath, name) != 0) return INVALID_HANDLE_VALUE;
        const HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Copies the spool behind what the log holds: 0, or 1 when a read or a write failed, or the spool
// gave back fewer bytes than were put into it.
int copySpool(LogOutput& log) {
    const HANDLE spool =
        CreateFileA(log.spoolPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (spool == INVALID_HANDLE_VALUE) return 1;
    int result = 0;
    std::uint64_t copied = 0;
    for (;;) {
        DWORD got = 0;
        DWORD written = 0;
        if (ReadFile(spool, log.lines.bytes, sizeof log.lines.bytes, &got, nullptr) == 0) {
            result = 1;
            break;
        }
        if (got == 0) break;
        if (WriteFile(log.file, log.lines.bytes, got, &written, nullptr) == 0 || written != got) {
            result = 1;
            break;
        }
        copied += got;
    }
    if (CloseHandle(spool) == 0) result = 1;
    return result != 0 || copied != log.lines.written ? 1 : 0;
}

}  // namespace

int openLogOutput(const char* typed, LogOutput* log) {
    log->typed = typed;
    log->file = INVALID_HANDLE_VALUE;
    log->lines.file = INVALID_HANDLE_VALUE;
    if (fullEnginePath(typed, log->path) != 0) return cannotCreate(*log);
    // A path that names a folder (a trailing separator) would refuse the rename only at the end.
    const std::size_t length = std::strlen(typed);
    if (typed[length - 1] == QUENDLE_PATH_SEPARATOR || typed[length - 1] == '\\') return cannotCreate(*log);
    // So would a folder of that name.
    FindRecord existing;
    const Presence presence = lookUp(log->path, &existing);
    if (presence == Presence::Unreachable || (presence == Presence::Found && isDirectory(existing)))
        return cannotCreate(*log);
    // The finished log is renamed over the one it replaces: a device or a FIFO (/dev/full, as root)
    // would be replaced by a plain file, never written to.
    if (presence == Presence::Found && (existing.attributes & FILE_ATTRIBUTE_DEVICE) != 0) return cannotCreate(*log);
    // The log it replaces is its own too: one that cannot be identified is not replaced.
    log->own.count = 0;
    if (presence == Presence::Found && addOwnFile(log->own, log->path, existing.name) != 0)
        return cannotCreate(*log);
    log->file = createTemporary(log->path, log->temporaryPath);
    if (log->file == INVALID_HANDLE_VALUE) return cannotCreate(*log);
    const HANDLE spool = createTemporary(log->path, log->spoolPath);
    if (spool == INVALID_HANDLE_VALUE) {
        (void)discardLogOutput(*log);
        return cannotCreate(*log);
    }
    startLogLines(log->lines, spool);
    // Its own temporary files must be known, or a log inside a tree would report them.
    if (addOwnOpenFile(log->own, log->temporaryPath, log->file) != 0 ||
        addOwnOpenFile(log->own, log->spoolPath, spool) != 0) {
        (void)discardLogOutput(*log);
        return cannotCreate(*log);
    }
    return 0;
}

void spoolLogLine(LogOutput& log, const char* line) {
    writeLogLine(log.lines, line);
}

int finishLogOutput(LogOutput& log, const QdlCore& job, const char* unfinished) {
    const bool spooled = endLogLines(log.lines) == 0 && CloseHandle(log.lines.file) != 0;
    log.lines.file = INVALID_HANDLE_VALUE;
    // The new log is on the disk before it replaces the earlier one: a crash leaves one of them whole.
    const bool written = spooled && writeLogHeader(job, log.file) == 0 && copySpool(log) == 0 &&
                         (unfinished == nullptr || writeLogEnd(log.file, unfinished) == 0) &&
                         FlushFileBuffers(log.file) != 0;
    const bool spoolRemoved = removeTemporary(log.spoolPath) == 0;
    const bool closed = CloseHandle(log.file) != 0;
    log.file = INVALID_HANDLE_VALUE;
    if (written && closed &&
        MoveFileExA(log.temporaryPath, log.path, MOVEFILE_REPLACE_EXISTING) != 0)
        return spoolRemoved ? 0 : 1;
    (void)removeTemporary(log.temporaryPath);
    printMessage("the log file could not be written: ", log.typed);
    return 1;
}

int discardLogOutput(LogOutput& log) {
    if (log.file == INVALID_HANDLE_VALUE) return 0;
    (void)CloseHandle(log.file);
    log.file = INVALID_HANDLE_VALUE;
    int left = removeTemporary(log.temporaryPath);
    if (log.lines.file == INVALID_HANDLE_VALUE) return left;
    (void)CloseHandle(log.lines.file);
    log.lines.file = INVALID_HANDLE_VALUE;
    left |= removeTemporary(log.spoolPath);
    return left;
}
