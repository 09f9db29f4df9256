#include "log_lines.h"

#include "engine/result_code.h"

#include <cstddef>
#include <cstring>

LogLine logLine;
std::int32_t logPathLength;

static_assert(offsetof(LogLine, separator) == 4 && offsetof(LogLine, relativePath) == 6,
              "a line is read as one text from codeText on");

namespace {

// The line's path beside the shown one: names as stored, "/" (which no name holds) between levels.
char storedPath[pathRoom];
std::int32_t storedPathLength;
LogEntry lastEntry;

// A directory exit marker closes the innermost level of a prefix.
void leaveLevel(const char* path, std::int32_t* length, char separator) {
    if (*length == 0) return;
    --*length;
    while (*length > 0 && path[*length - 1] != separator) --*length;
}

void enterLevel(char* path, int room, std::int32_t* prefix, char separator) {
    int length = static_cast<int>(std::strlen(path));
    // A full path keeps its terminator: the separator takes the last character's place.
    if (length > room - 2) length = room - 2;
    path[length] = separator;
    path[length + 1] = '\0';
    *prefix = length + 1;
}

}  // namespace

void rewindLogLines(QdlCore& job) {
    job.pairs.rewind();
    logPathLength = 0;
    storedPathLength = 0;
}

namespace {

const char* nextLine(bool withExtras) {
    FindRecord source;
    FindRecord destination;
    ResultCode code;
    char* const path = logLine.relativePath;
    for (;;) {
        if (currentJob->pairs.nextPair(&source, &destination, &code) != 0) return nullptr;
        if (isPendingCode(code)) return nullptr;
        if (isExtraCode(code) && !withExtras) continue;
        if (isExitMarker(source)) {
            leaveLevel(path, &logPathLength, '\\');
            leaveLevel(storedPath, &storedPathLength, '/');
            continue;
        }
        showName(source.name, path + logPathLength, shownPathRoom - logPathLength);
        appendCut(storedPath, storedPathLength, source.name, pathLimit);
        if (isDirectory(source) && code == CodeOK) {
            enterLevel(path, shownPathRoom, &logPathLength, '\\');
            enterLevel(storedPath, pathRoom, &storedPathLength, '/');
            continue;
        }
        lastEntry = {storedPath, source, destination, code,
                     code == CodeNEC ? currentJob->pairs.firstDifferenceBefore(currentJob->pairs.cursor()) : 0};
        std::memcpy(logLine.codeText, mnemonicOf(code), sizeof logLine.codeText);
        std::memcpy(logLine.separator, ": ", sizeof logLine.separator);
        return logLine.codeText;
    }
}

}  // namespace

const char* nextLogLine() {
    return nextLine(false);
}

const char* followLogLine(QdlCore& job, ListCursor* reader, LogEntry* entry, bool withExtras) {
    const ListCursor stepper = job.pairs.cursor();
    job.pairs.setCursor(*reader);
    QdlCore* const previous = currentJob;
    currentJob = &job;
    const char* line = nextLine(withExtras);
    currentJob = previous;
    *reader = job.pairs.cursor();
    job.pairs.setCursor(stepper);
    if (line != nullptr && entry != nullptr) *entry = lastEntry;
    return line;
}
