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

// A root as typed may hold what a line must not: it is shown as names are.
bool writeRoot(HANDLE file, const char* root) {
    char shown[shownPathRoom];
    showPath(root, shown, sizeof shown);
    return writeText(file, shown);
}

void writeOut(LogLineWriter& writer) {
    if (!writer.failed && writer.used != 0) writer.failed = !writeBytes(writer.file, writer.bytes, writer.used);
    if (!writer.failed) writer.written += writer.used;
    writer.used = 0;
}

void gather(LogLineWriter& writer, const char* bytes, std::size_t length) {
    if (writer.used + length > sizeof writer.bytes) writeOut(writer);
    std::memcpy(writer.bytes + writer.used, bytes, length);
    writer.used += static_cast<DWORD>(length);
}

}  // namespace

void startLogLines(LogLineWriter& writer, HANDLE file) {
    writer.file = file;
    writer.used = 0;
    writer.failed = false;
    writer.written = 0;
}

void writeLogLine(LogLineWriter& writer, const char* line) {
    // A line is far shorter than the buffer.
    gather(writer, line, std::strlen(line));
    gather(writer, "\r\n", 2);
}

int endLogLines(LogLineWriter& writer) {
    writeOut(writer);
    return writer.failed ? 1 : 0;
}

int writeLogHeader(const QdlCore& job, HANDLE file) {
    const CompareStats& stats = job.stats;
    const bool header = writeText(file, "Quendle Log File\r\n") &&
                        writeText(file, "Source      : ") && writeRoot(file, job.sourceRoot) &&
                        writeText(file, "\r\nDestination : ") &&
                        writeRoot(file, job.destinationRoot) &&
                        writeCount(file, "\r\n\r\nNo Defference : ", stats.noDifference) &&
                        writeCount(file, "\r\nWarnings      : ", stats.notices) &&
                        writeCount(file, "\r\nErrors        : ", stats.errors) &&
                        writeCount(file, "\r\nFatal Errors  : ", stats.fatalErrors) &&
                        writeCount(file, "\r\nTotal         : ", stats.total) &&
                        writeBytes(file, "\r\n\r\n", 4);
    return header ? 0 : 1;
}

int writeLogFile(const QdlCore& job, HANDLE file) {
    if (writeLogHeader(job, file) != 0) return 1;
    LogReader reader;
    startLogReader(job, &reader);
    LogLineWriter lines;
    startLogLines(lines, file);
    while (const char* line = readLogLine(job, reader)) writeLogLine(lines, line);
    return endLogLines(lines);
}

int writeLogEnd(HANDLE file, const char* why) {
    return writeBytes(file, "\r\n", 2) && writeText(file, why) && writeBytes(file, "\r\n", 2) ? 0 : 1;
}
