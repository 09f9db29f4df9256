#include "check_run.h"

#include "check_output.h"
#include "check_specifications.h"
#include "engine/parallel_stepper.h"
#include "engine/stepper.h"
#include "engine/stop_rule.h"
#include "progress_line.h"
#include "results/log_file.h"
#include "results/log_lines.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <new>

namespace {

constexpr int cannotCompare = 16;

// Set by Ctrl-C; on Windows the handler runs on a thread of its own, on POSIX in a signal handler.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI onControl(DWORD) {
    interrupted = true;
    return TRUE;
}

int failure(const char* what, const char* detail) {
    std::fprintf(stderr, "qdlcheck: %s%s\n", what, detail);
    return cannotCompare;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Workers for a run with more than one pair at a time; none (one pair at a time, on this thread)
// when only one is asked for or none could be started: the answer is the same.
ParallelStepper* startWorkers(QdlCore& job, int jobs) {
    if (jobs < 2) return nullptr;
    auto* parallel = new (std::nothrow) ParallelStepper(job);
    if (parallel != nullptr && parallel->start(jobs) != 0) {
        delete parallel;
        return nullptr;
    }
    return parallel;
}

// Steps the planned job to its end, printing each result's line as it is recorded.
RunEnd stepJob(QdlCore& job, const CheckOptions& options, std::chrono::steady_clock::time_point start) {
    ProgressLine progress = startProgressLine(options.progressAlways);
    rewindLogLines(job);
    ListCursor reader = job.pairs.cursor();
    std::int32_t listed = 0;
    RunEnd end = RunEnd::Complete;
    ParallelStepper* const parallel = startWorkers(job, options.jobs);
    for (;;) {
        if (progress.shown) {
            const InProgress now = parallel != nullptr
                ? InProgress{parallel->bytesInFlight(), parallel->nameToRecord()}
                : InProgress{0, job.stats.currentName};
            drawProgressLine(progress, job, now, secondsSince(start));
        }
        if (interrupted) {
            if (parallel != nullptr) parallel->abandon();
            abandonPairInProgress();
            end = RunEnd::Interrupted;
            break;
        }
        if ((parallel != nullptr ? parallel->step() : compareStep(job)) != 0) break;
        for (; options.listing != Listing::Nothing && listed < job.stats.total; ++listed) {
            const char* line = followLogLine(job, &reader);
            if (line != nullptr && (line[0] != 'O' || options.listing == Listing::All)) {
                clearProgressLine(progress);
                printResultLine(line);
            }
        }
        if (stopRuleHolds(job)) {
            end = RunEnd::Stopped;
            break;
        }
    }
    delete parallel;  // ends what is still in flight after a stop, closing its files
    clearProgressLine(progress);
    return end;
}

}  // namespace

int runCheck(const CheckOptions& options) {
    CheckSpecifications specifications;
    if (buildSpecifications(options, &specifications) != 0) return cannotCompare;

    // The log is created before anything is compared, so that a run never ends unable to keep it.
    HANDLE log = INVALID_HANDLE_VALUE;
    if (options.logFile != nullptr) {
        char path[pathRoom];
        if (fullEnginePath(options.logFile, path) == 0)
            log = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE,
                              nullptr);
        if (log == INVALID_HANDLE_VALUE) return failure("cannot create the log file ", options.logFile);
    }
    const auto closeLog = [&] {
        if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    };

    const auto start = std::chrono::steady_clock::now();
    QdlCore* job = new (std::nothrow)
        QdlCore(specifications.source, specifications.destination, options.stopLevel);
    if (job == nullptr) {
        closeLog();
        return failure("out of memory", "");
    }
    int status = 0;
    if (job->plan() != 0) {
        status = failure(job->specificationCut ? "a path is too long: "
                                               : "a wildcard may stand only in the last level: ",
                         specifications.source);
    } else if (job->listIncomplete()) {
        status = failure("out of memory while listing ", specifications.source);
    } else {
        SetConsoleCtrlHandler(onControl, TRUE);
        const RunEnd end = stepJob(*job, options, start);
        SetConsoleCtrlHandler(onControl, FALSE);
        std::fflush(stdout);
        printSummary(*job, end, secondsSince(start));
        status = exitBits(*job, end);
        if (log != INVALID_HANDLE_VALUE) {
            currentJob = job;
            const int failed = writeLogFile(log);
            currentJob = nullptr;
            if (failed != 0) status |= failure("the log file could not be written: ", options.logFile);
        }
    }
    closeLog();
    delete job;
    return status;
}
