#include "check_run.h"

#include "check_output.h"
#include "check_specifications.h"
#include "engine/tree_census.h"
#include "engine/tree_plan.h"
#include "engine/job_stepper.h"
#include "engine/stop_rule.h"
#include "entry_output.h"
#include "exit_bits.h"
#include "log_output.h"
#include "log_text/log_lines.h"
#include "progress_line.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <new>

namespace {

// Set by Ctrl-C, a closed console or terminal, and the end of the session; on Windows the handler
// runs on a thread of its own, on POSIX in a signal handler.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI onControl(DWORD) {
    interrupted = true;
    return TRUE;
}

int failure(const char* what, const char* detail) {
    printMessage(what, detail);
    return ExitCannotCompare;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Where each recorded result's line goes: standard output as asked, the log, and no further once
// standard output has failed (the log still takes every line).
struct LineSinks {
    const CheckOptions& options;
    LogOutput* log;  // none without --log
    bool printing;
    bool unflushed;  // lines printed since standard output was last flushed
};

// How long a printed line may wait in the output buffer: long enough that a run printing many
// lines writes them in large blocks.
constexpr double flushSeconds = 0.1;
// A count of the tree holds a listing open on each level on its way down.
constexpr int censusDescriptors = 256;

// Passes on the lines of the results recorded since the last call: 0, or 1 when standard output
// failed. The blocks of the list behind them are released unless the whole list is kept.
int passNewLines(QdlCore& job, LineSinks& sinks, ProgressLine& progress, LogReader& reader,
                 std::int32_t* passed) {
    const Listing listing = sinks.options.listing;
    int result = 0;
    for (; *passed < job.stats.total + job.extras; ++*passed) {
        const char* line = readLogLine(job, reader, true);
        if (line == nullptr) continue;
        if (sinks.log != nullptr && !isExtraCode(reader.entry.code)) spoolLogLine(*sinks.log, line);
        if (!sinks.printing || listing == Listing::Nothing ||
            (reader.entry.code == CodeOK && listing != Listing::All))
            continue;
        clearProgressLine(progress);
        sinks.unflushed = true;
        if (printEntry(line, reader.entry, sinks.options.format) != 0) {
            sinks.printing = false;
            result = 1;
        }
    }
    if (!sinks.options.listFirst) job.releasePairsBefore(reader.cursor);
    return result;
}

// A write to standard output that failed, or that gave way to Ctrl-C.
RunEnd lostOrInterrupted() {
    return outputInterrupted() ? RunEnd::Interrupted : RunEnd::OutputLost;
}

// Steps the planned job to its end with the stepper, printing each result's line as it is recorded.
RunEnd stepJob(QdlCore& job, JobStepper& stepper, LineSinks& sinks,
               std::chrono::steady_clock::time_point start) {
    const CheckOptions& options = sinks.options;
    // Quiet means quiet, unless the progress line is asked for by name.
    ProgressLine progress = startProgressLine(options.progressAlways);
    if (options.listing == Listing::Nothing && !options.progressAlways) progress.shown = false;
    // A tree planned as it goes is counted beside the run, for the line's share and time left:
    // where the line is shown, and where the descriptors allow a listing per level of the tree.
    TreeCensus census;
    if (progress.shown && raiseOpenFileLimit() >= descriptorsListingAhead(options.jobs) + censusDescriptors)
        (void)startTreeCensus(job, census);
    LogReader reader;
    startLogReader(job, &reader);
    std::int32_t passed = 0;
    RunEnd end = RunEnd::Complete;
    double flushed = -flushSeconds;  // the first line goes out at once
    for (;;) {
        // Once planning has ended the run knows its own total: the count has nothing more to give.
        if (job.planningEnded()) census.stop.store(true, std::memory_order_relaxed);
        const bool bytesCounted = census.complete.load(std::memory_order_acquire);
        const bool entriesCounted = census.entriesComplete.load(std::memory_order_acquire);
        if (progress.shown)
            drawProgressLine(progress, job,
                             {stepper.bytesInFlight(), stepper.nameInProgress(), bytesCounted ? census.bytes.load() : 0,
                              entriesCounted ? census.entries.load() : 0, bytesCounted},
                             secondsSince(start));
        if (interrupted) {
            end = RunEnd::Interrupted;
            break;
        }
        if (stepper.step() != 0) break;
        if (passNewLines(job, sinks, progress, reader, &passed) != 0) {
            end = lostOrInterrupted();
            break;
        }
        if (sinks.unflushed && secondsSince(start) - flushed >= flushSeconds) {
            flushed = secondsSince(start);
            sinks.unflushed = false;
            if (flushOutput() != 0) {
                end = lostOrInterrupted();
                break;
            }
        }
        if (stopRuleHolds(job)) {
            end = RunEnd::Stopped;
            break;
        }
    }
    endTreeCensus(census);
    clearProgressLine(progress);
    // A signal that came while the last step listed or read ended that step short.
    if (interrupted && end == RunEnd::Complete) end = RunEnd::Interrupted;
    // The log keeps every line recorded, also those standard output could no longer take.
    if (passNewLines(job, sinks, progress, reader, &passed) != 0 && end == RunEnd::Complete)
        end = lostOrInterrupted();
    return end;
}

QdlCore* createJob(const CheckSpecifications& specifications, const CheckOptions& options,
                   const LogOutput& log, const EntryFilter& filter, ListingElsewhere* elsewhere) {
    JobOptions jobOptions(options.stopLevel);
    jobOptions.timeWindow = static_cast<std::uint64_t>(options.timeWindow) * fileTimeTicksPerSecond;
    jobOptions.listExtras = options.extras;
    jobOptions.links = options.links ? LinkRule::AsLinks : LinkRule::Follow;
    if (log.file != INVALID_HANDLE_VALUE) jobOptions.ownFiles = &log.own;
    if (filter.count > 0) jobOptions.filter = &filter;
    jobOptions.stopRequested = &interrupted;
    jobOptions.listingElsewhere = elsewhere;
    return new (std::nothrow) QdlCore(specifications.source, specifications.destination, jobOptions);
}

// Steps the planned job and reports it: the lines, the summary, the log, the JSON summary last
// with the status the run ends with.
int compareAndReport(QdlCore& job, const CheckOptions& options, LogOutput& log,
                     std::chrono::steady_clock::time_point start) {
    // With several pairs at once, the folders are listed ahead on threads of their own too; the run
    // lists them itself when none can be started.
    if (options.jobs > 1) listTreeAhead(job, options.jobs);
    JobStepper* const stepper = startStepper(job, options.jobs);
    if (stepper == nullptr) return failure("out of memory", "");
    LineSinks sinks{options, log.file != INVALID_HANDLE_VALUE ? &log : nullptr, true, false};
    RunEnd end = stepJob(job, *stepper, sinks, start);
    // Ends what is still in flight, closing its files.
    delete stepper;
    const bool outputLost = reportOutputFailure() != 0;
    // Ctrl-C while the last lines waited on their reader: they are not lost, the run was stopped.
    if (outputInterrupted() && end == RunEnd::Complete) end = RunEnd::Interrupted;
    // The total in bytes is told where it does not depend on how far the listing had got when the
    // run ended: a run gone to its end, or a tree listed first.
    const bool totalTold = end == RunEnd::Complete || options.listFirst;
    if (options.listing != Listing::Nothing)
        printSummary(job, end, secondsSince(start), options.extras, totalTold);
    int status = exitBits(job, end) | (outputLost ? ExitCannotCompare : 0);
    if (log.file != INVALID_HANDLE_VALUE && finishLogOutput(log, job, unfinishedRunText(job, end)) != 0)
        status |= ExitCannotCompare;
    if (options.format == OutputFormat::Json && !outputLost && !outputInterrupted() &&
        (printJsonSummary(job, end, secondsSince(start), status, totalTold) != 0 ||
         reportOutputFailure() != 0))
        status |= ExitCannotCompare;
    return status;
}

}  // namespace

void stopRun() {
    interrupted = true;
}

int runCheck(const CheckOptions& given, ListingElsewhere* elsewhere) {
    CheckOptions options = given;
    // More pairs in flight than the soft limit allows descriptors for would only be retried alone. A
    // folder listed short of descriptors would be recorded as unreachable: below what listing beside
    // the pairs needs, the tree is listed first, as the dialogs list it, before any file is open.
    const int descriptors = raiseOpenFileLimit();
    if (options.jobs > 1 && descriptors < descriptorsListingAhead(options.jobs)) options.listFirst = true;
    CheckSpecifications specifications;
    if (buildSpecifications(options, &specifications) != 0) return ExitCannotCompare;

    // From here on a signal ends the run with its summary and log: a second one cannot cut the log
    // short, and one during planning takes effect when the stepping starts. It is caught before the
    // log's temporary files exist, so that none is left behind.
    SetConsoleCtrlHandler(onControl, TRUE);
    // The log is created before anything is compared, so that a run never ends unable to keep it.
    LogOutput log{};
    log.file = INVALID_HANDLE_VALUE;
    if (options.logFile != nullptr && openLogOutput(options.logFile, &log) != 0) {
        SetConsoleCtrlHandler(onControl, FALSE);
        return ExitCannotCompare;
    }
    const auto start = std::chrono::steady_clock::now();
    const EntryFilter filter{options.filters.rules, options.filters.count};
    QdlCore* job = createJob(specifications, options, log, filter, elsewhere);
    int status;
    if (job == nullptr) {
        status = failure("out of memory", "");
    } else if ((options.listFirst ? job->plan() : job->startPlan()) != 0) {
        status = failure(job->specificationCut ? "a path is too long: "
                                               : "a wildcard may stand only in the last level: ",
                         specifications.source);
    } else if (job->listIncomplete()) {
        status = failure("out of memory while listing ", specifications.source);
    } else if (!job->planStopped && specifications.sourcePattern && recordsNoSourceEntry(*job)) {
        // A pattern that matched nothing compared nothing: that is no clean result.
        status = failure("nothing matches ", options.source);
    } else {
        status = compareAndReport(*job, options, log, start);
    }
    if (discardLogOutput(log) != 0) status |= ExitCannotCompare;
    SetConsoleCtrlHandler(onControl, FALSE);
    delete job;
    return status;
}

int runQdlcheck(int argc, char** argv, ListingElsewhere* elsewhere) {
    CheckOptions options;
    beginConsoleOutput();
    const int parsed = parseCheckOptions(argc, argv, &options);
    const int status = parsed == 0 ? runCheck(options, elsewhere) : parsed == 1 ? ExitCannotCompare : 0;
    releaseCheckOptions(options);
    // Also --help and --version: an answer that could not be written is no answer.
    return endConsoleOutput() != 0 ? status | ExitCannotCompare : status;
}
