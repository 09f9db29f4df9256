#include "log_lines.h"

#include "engine/result_code.h"

#include <cstddef>
#include <cstring>

LogLine logLine;
std::int32_t logPathLength;

static_assert(offsetof(LogLine, separator) == 4 && offsetof(LogLine, relativePath) == 6,
              "a line is read as one text from codeText on");

void rewindLogLines(QdlCore& job) {
    job.pairs.rewind();
    logPathLength = 0;
}

namespace {

// A directory exit marker closes the innermost level of the prefix.
void leaveDirectory() {
    if (logPathLength == 0) return;
    --logPathLength;
    while (logPathLength > 0 && logLine.relativePath[logPathLength - 1] != '\\') --logPathLength;
}

void enterDirectory() {
    int length = static_cast<int>(std::strlen(logLine.relativePath));
    // A full path keeps its terminator: the backslash takes the last character's place.
    if (length > shownPathRoom - 2) length = shownPathRoom - 2;
    logLine.relativePath[length] = '\\';
    logLine.relativePath[length + 1] = '\0';
    logPathLength = length + 1;
}

}  // namespace

const char* nextLogLine() {
    FindRecord source;
    FindRecord destination;
    ResultCode code;
    char* const path = logLine.relativePath;
    for (;;) {
        if (currentJob->pairs.nextPair(&source, &destination, &code) != 0) return nullptr;
        if (code >= Pending) return nullptr;
        if (isExitMarker(source)) {
            leaveDirectory();
            continue;
        }
        showName(source.name, path + logPathLength, shownPathRoom - logPathLength);
        if (isDirectory(source) && code == CodeOK) {
            enterDirectory();
            continue;
        }
        std::memcpy(logLine.codeText, mnemonicOf(code), sizeof logLine.codeText);
        std::memcpy(logLine.separator, ": ", sizeof logLine.separator);
        return logLine.codeText;
    }
}

const char* followLogLine(QdlCore& job, ListCursor* reader) {
    const ListCursor stepper = job.pairs.cursor();
    job.pairs.setCursor(*reader);
    QdlCore* const previous = currentJob;
    currentJob = &job;
    const char* line = nextLogLine();
    currentJob = previous;
    *reader = job.pairs.cursor();
    job.pairs.setCursor(stepper);
    return line;
}
