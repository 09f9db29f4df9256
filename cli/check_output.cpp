#include "check_output.h"

#include "platform/win32.h"

#include <cstring>

namespace {

UINT consoleCodePage;

}  // namespace

void beginConsoleOutput() {
    consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(GetACP());
}

void endConsoleOutput() {
    std::fflush(stdout);
    std::fflush(stderr);
    SetConsoleOutputCP(consoleCodePage);
}

void printResultLine(const char* line) {
    char shown[4 + 2 + 260 + 1];
    std::strncpy(shown, line, sizeof shown - 1);
    shown[sizeof shown - 1] = '\0';
    for (char* c = shown + 6; *c != '\0'; ++c)
        if (*c == '\\') *c = QUENDLE_PATH_SEPARATOR;
    std::fputs(shown, stdout);
    std::fputc('\n', stdout);
}

namespace {

// Whether every entry was compared: a run that went through its whole list has not compared the
// entries that ended in a fatal error in full.
const char* endText(const QdlCore& job, RunEnd end) {
    switch (end) {
    case RunEnd::Stopped: return "NOT every entry was compared: the stop level ended the run.";
    case RunEnd::Interrupted: return "NOT every entry was compared: interrupted.";
    case RunEnd::Complete: break;
    }
    return job.stats.fatalErrors == 0
        ? "every entry was compared."
        : "NOT every entry was compared in full: see the fatal errors.";
}

}  // namespace

void printSummary(const QdlCore& job, RunEnd end, double seconds) {
    const CompareStats& s = job.stats;
    std::fprintf(stderr, "qdlcheck: No Difference %d, Notices %d, Errors %d, Fatal Errors %d, Total %d\n",
                 s.noDifference, s.notices, s.errors, s.fatalErrors, s.total);
    const double megabytes = static_cast<double>(job.comparedBytes) / 1e6;
    std::fprintf(stderr, "qdlcheck: %llu of %llu bytes compared in %.2f s (%.1f MB/s); %s\n",
                 static_cast<unsigned long long>(job.comparedBytes),
                 static_cast<unsigned long long>(job.totalBytes), seconds,
                 seconds > 0 ? megabytes / seconds : 0.0, endText(job, end));
}

int exitBits(const QdlCore& job, RunEnd end) {
    const CompareStats& s = job.stats;
    return (s.notices != 0 ? 1 : 0) | (s.errors != 0 ? 2 : 0) | (s.fatalErrors != 0 ? 4 : 0) |
           (end != RunEnd::Complete ? 8 : 0);
}
