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

int cannotCreate(const LogOutput& log) {
    printMessage("cannot create the log file ", log.typed);
    return 1;
}

}  // namespace

int openLogOutput(const char* typed, LogOutput* log) {
    log->typed = typed;
    log->file = INVALID_HANDLE_VALUE;
    if (fullEnginePath(typed, log->path) != 0) return cannotCreate(*log);
    // A folder of that name would refuse the rename only at the end.
    FindRecord existing;
    const Presence presence = lookUp(log->path, &existing);
    if (presence == Presence::Unreachable || (presence == Presence::Found && isDirectory(existing)))
        return cannotCreate(*log);
    // Created exclusively: a link planted at the name is never written through.
    for (int attempt = 0; attempt < namingAttempts; ++attempt) {
        if (temporaryName(log->path, log->temporaryPath) != 0) return cannotCreate(*log);
        log->file = CreateFileA(log->temporaryPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (log->file != INVALID_HANDLE_VALUE) return 0;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    return cannotCreate(*log);
}

int finishLogOutput(LogOutput& log, const QdlCore& job) {
    const bool written = writeLogFile(job, log.file) == 0;
    const bool closed = CloseHandle(log.file) != 0;
    log.file = INVALID_HANDLE_VALUE;
    if (written && closed &&
        MoveFileExA(log.temporaryPath, log.path, MOVEFILE_REPLACE_EXISTING) != 0)
        return 0;
    DeleteFileA(log.temporaryPath);
    printMessage("the log file could not be written: ", log.typed);
    return 1;
}

void discardLogOutput(LogOutput& log) {
    if (log.file == INVALID_HANDLE_VALUE) return;
    CloseHandle(log.file);
    log.file = INVALID_HANDLE_VALUE;
    DeleteFileA(log.temporaryPath);
}
