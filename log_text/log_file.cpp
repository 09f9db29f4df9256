#include "log_file.h"

#include "decimal_text.h"
#include "log_lines.h"

#include <cstring>

namespace {

bool writeBytes(HANDLE file, const char* bytes, DWORD length) {
    DWORD written = 0;
    return WriteFile(file, bytes, length, &written, nullptr) != 0 && written == length;
}

bool writeText(HANDLE file, const char* text) {
    return writeBytes(file, text, static_cast<DWORD>(std::strlen(text)));
}

bool writeCount(HANDLE file, const char* label, std::int32_t count) {
    char digits[decimalRoom];
    const int length = decimalText(count, digits);
    return writeText(file, label) && writeBytes(file, digits, static_cast<DWORD>(length));
}

}  // namespace

int writeLogFile(const QdlCore& job, HANDLE file) {
    const CompareStats& stats = job.stats;
    const bool header = writeText(file, "Quendle Log File\r\n") &&
                        writeText(file, "Source      : ") && writeText(file, job.sourceRoot) &&
                        writeText(file, "\r\nDestination : ") &&
                        writeText(file, job.destinationRoot) &&
                        writeCount(file, "\r\n\r\nNo Defference : ", stats.noDifference) &&
                        writeCount(file, "\r\nWarnings      : ", stats.notices) &&
                        writeCount(file, "\r\nErrors        : ", stats.errors) &&
                        writeCount(file, "\r\nFatal Errors  : ", stats.fatalErrors) &&
                        writeCount(file, "\r\nTotal         : ", stats.total) &&
                        writeBytes(file, "\r\n\r\n", 4);
    if (!header) return 1;
    LogReader reader;
    startLogReader(job, &reader);
    while (const char* line = readLogLine(job, reader)) {
        if (!writeText(file, line) || !writeBytes(file, "\r\n", 2)) return 1;
    }
    return 0;
}
