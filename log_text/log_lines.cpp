#include "log_lines.h"

#include "engine/result_code.h"

#include <cstddef>
#include <cstring>

static_assert(offsetof(LogLine, separator) == 4 && offsetof(LogLine, relativePath) == 6,
              "a line is read as one text from codeText on");

namespace {

LogReader dialogReader;

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

LogLine& logLine = dialogReader.line;
std::int32_t& logPathLength = dialogReader.pathLength;

void startLogReader(const QdlCore& job, LogReader* reader) {
    reader->cursor = job.pairs.start();
    reader->pathLength = 0;
    reader->storedPathLength = 0;
}

const char* readLogLine(const QdlCore& job, LogReader& reader, bool withExtras) {
    FindRecord source;
    FindRecord destination;
    PairMark mark;
    char* const path = reader.line.relativePath;
    for (;;) {
        if (job.pairs.pairAt(&reader.cursor, &source, &destination, &mark) != 0) return nullptr;
        if (!mark.recorded()) {
            // Read again once the stepper has recorded it.
            --reader.cursor.index;
            return nullptr;
        }
        const ResultCode code = mark.code;
        if (isExtraCode(code) && !withExtras) continue;
        if (isExitMarker(source)) {
            leaveLevel(path, &reader.pathLength, '\\');
            leaveLevel(reader.storedPath, &reader.storedPathLength, '/');
            continue;
        }
        showName(source.name, path + reader.pathLength, shownPathRoom - reader.pathLength);
        appendCut(reader.storedPath, reader.storedPathLength, source.name, storedPathRoom - 1);
        if (isDirectory(source) && code == CodeOK) {
            enterLevel(path, shownPathRoom, &reader.pathLength, '\\');
            enterLevel(reader.storedPath, storedPathRoom, &reader.storedPathLength, '/');
            continue;
        }
        reader.entry = {reader.storedPath, source, destination, code,
                        code == CodeNEC ? job.pairs.firstDifferenceBefore(reader.cursor) : 0,
                        job.pairs.faultBefore(reader.cursor)};
        std::memcpy(reader.line.codeText, mnemonicOf(code), sizeof reader.line.codeText);
        std::memcpy(reader.line.separator, ": ", sizeof reader.line.separator);
        return reader.line.codeText;
    }
}

void rewindLogLines(const QdlCore& job) {
    startLogReader(job, &dialogReader);
}

const char* nextLogLine() {
    return readLogLine(*currentJob, dialogReader);
}
