#include "check_output.h"

#include "console_streams.h"
#include "exit_bits.h"
#include "log_text/log_lines.h"
#include "platform/win32.h"

#include <cstring>

void printMessage(const char* what, const char* detail, const char* after) {
    char shown[shownPathRoom];
    showPath(detail, shown, sizeof shown);
    printError("qdlcheck: %s%s%s\n", what, shown, after);
}

namespace {

// A log line with the platform's own separators: names show their own backslashes escaped, so
// every one left is a separator.
void withOwnSeparators(const char* line, char (&shown)[sizeof(LogLine) + 1]) {
    std::strncpy(shown, line, sizeof shown - 2);
    shown[sizeof shown - 2] = '\0';
    for (char* c = shown + 6; *c != '\0'; ++c)
        if (*c == '\\') *c = QUENDLE_PATH_SEPARATOR;
}

}  // namespace

int printResultLine(const char* line) {
    char shown[sizeof(LogLine) + 1];
    withOwnSeparators(line, shown);
    std::strcat(shown, "\n");
    return writeOutput(shown, std::strlen(shown));
}

void printCause(const char* line, const char* why) {
    char shown[sizeof(LogLine) + 1];
    withOwnSeparators(line, shown);
    // After the line it belongs to, where both go to one terminal or file.
    (void)flushOutput();
    printError("qdlcheck: %s: %s\n", shown, why);
}

const char* unfinishedRunText(const QdlCore& job, RunEnd end) {
    switch (end) {
    case RunEnd::Stopped: return "NOT every entry was compared: the stop level ended the run.";
    case RunEnd::Interrupted: return "NOT every entry was compared: interrupted.";
    case RunEnd::OutputLost: return "NOT every entry was compared: the output was lost.";
    case RunEnd::Complete: break;
    }
    if (job.planStopped) return "NOT every entry was compared: interrupted.";
    return job.listIncomplete() ? "NOT every entry was compared: out of memory while listing." : nullptr;
}

namespace {

// Whether every entry was compared: a run that went through its whole list has not compared the
// entries that ended in a fatal error in full.
const char* endText(const QdlCore& job, RunEnd end) {
    if (const char* unfinished = unfinishedRunText(job, end)) return unfinished;
    if (!everyEntryCompared(job, end)) return "NOT every entry was compared in full: see the fatal errors.";
    return job.filteredOut != 0 ? "every entry was compared but those excluded." : "every entry was compared.";
}

}  // namespace

bool everyEntryCompared(const QdlCore& job, RunEnd end) {
    return end == RunEnd::Complete && job.stats.fatalErrors == 0 && !job.listIncomplete() && !job.planStopped;
}

void printSummary(const QdlCore& job, RunEnd end, double seconds, bool extras, bool totalTold) {
    const CompareStats& s = job.stats;
    printError("qdlcheck: No Difference %d, Notices %d, Errors %d, Fatal Errors %d, Total %d",
               s.noDifference, s.notices, s.errors, s.fatalErrors, s.total);
    if (extras) printError(", Extra %d", job.extras);
    if (job.temporaryPassedOver != 0)
        printError("; %d temporary entries passed over", job.temporaryPassedOver);
    if (job.ownFilesPassedOver != 0)
        printError("; %d of its own files passed over", job.ownFilesPassedOver);
    if (job.filteredOut != 0) printError("; %d excluded", job.filteredOut);
    const double megabytes = static_cast<double>(job.readBytes) / 1e6;
    char total[32] = "a total not yet listed";
    if (totalTold)
        std::snprintf(total, sizeof total, "%llu", static_cast<unsigned long long>(job.totalBytes));
    std::fprintf(stderr,
                 "\nqdlcheck: %llu bytes read and compared in %.2f s (%.1f MB/s), %llu settled "
                 "without reading, of %s; %s\n",
                 static_cast<unsigned long long>(job.readBytes), seconds,
                 seconds > 0 ? megabytes / seconds : 0.0,
                 static_cast<unsigned long long>(job.comparedBytes - job.readBytes), total,
                 endText(job, end));
}

int exitBits(const QdlCore& job, RunEnd end) {
    const CompareStats& s = job.stats;
    return (s.notices != 0 ? exitBitOf(Notice) : 0) | (s.errors != 0 ? exitBitOf(Error) : 0) |
           (s.fatalErrors != 0 ? exitBitOf(FatalError) : 0) | (job.extras != 0 ? exitBitOf(Extra) : 0) |
           (end != RunEnd::Complete || job.planStopped ? ExitNotEveryEntry : 0) |
           (end == RunEnd::OutputLost ? ExitCannotCompare : 0) |
           // A tree planned as it is compared can run out of memory half-way.
           (job.listIncomplete() ? ExitNotEveryEntry | ExitCannotCompare : 0);
}
