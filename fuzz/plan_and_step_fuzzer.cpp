// Random specifications over a generated tree, planned and stepped to the end. Beyond the
// sanitizers it checks that every file the stepper opens is the file its pair's path names, that the
// counters equal the log lines by class, that the percentage stays within 0..100, that three pairs
// at a time on worker threads give the same answer, that a tree planned a folder at a time as it is
// stepped (its list released behind the lines read, as qdlcheck runs it) gives the same answer as
// the whole list, that a run in which a file call failed never ends clean, and that no file is
// left open.
//
// Input: two bytes choose the source and destination bases (folders and files of the tree; the
// second's top bit asks for the entries only the destination holds), a third the file call to
// fail (0 none), the rest up to a newline is the source's text behind its base, the rest after it
// the destination's.
#include "engine/job_stepper.h"
#include "engine/parallel_stepper.h"
#include "engine/result_code.h"
#include "engine/stepper.h"
#include "generated_tree.h"
#include "log_text/log_lines.h"
#include "platform/posix/fault_injection.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// Whether this input's jobs also record what only the destination holds.
bool withExtras = false;

JobOptions jobOptions() {
    JobOptions options(IgnoreAnyErrors);
    options.listExtras = withExtras;
    return options;
}

std::unique_ptr<QdlCore> plannedJob(const std::string& source, const std::string& destination,
                                    bool* planned = nullptr) {
    auto job = std::make_unique<QdlCore>(source.c_str(), destination.c_str(), jobOptions());
    const bool done = job->plan() == 0;
    if (planned != nullptr) *planned = done;
    return job;
}

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "plan_and_step_fuzzer: %s: %s\n", what, detail.c_str());
    std::abort();
}

int openDescriptors() {
    int count = 0;
    DIR* folder = opendir("/proc/self/fd");
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
    return count;
}

// The folder text a specification's names are put behind: up to its last backslash before the
// first wildcard.
std::string folderOf(const char* specification) {
    const int split = lastBackslashBeforeWildcard(specification, pathRoom);
    return std::string(specification, static_cast<std::size_t>(split + 1));
}

// Where the pairs of this job live, worked out from the specifications alone.
struct ExpectedPaths {
    bool singleFile;
    std::string sourceFolder;
    std::string destinationFolder;
};

ExpectedPaths expectedPaths(const QdlCore& job) {
    const char* wildcard = std::strpbrk(job.sourceRoot, "*?");
    // One file: the destination is whatever its specification found, wildcards included.
    if (wildcard == nullptr) return {true, folderOf(job.sourceRoot), folderOf(job.destinationRoot)};
    const bool tree = wildcard[0] == '*' && wildcard > job.sourceRoot && wildcard[-1] == '\\' &&
                      wildcard[1] == '\\';
    if (!tree)
        return {false, folderOf(job.sourceRoot),
                std::string(job.destinationRoot, static_cast<std::size_t>(job.destinationPrefixLength))};
    const bool destinationWildcard = std::strpbrk(job.destinationRoot, "*?") != nullptr;
    return {false, std::string(job.sourceRoot, static_cast<std::size_t>(wildcard - job.sourceRoot)),
            destinationWildcard ? folderOf(job.destinationRoot) : job.destinationRoot};
}

bool sameFile(HANDLE opened, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    return GetFileInformationByHandle(opened, &a) && fileInformationByName(path.c_str(), &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The pair the next take step will deliver, read without moving the cursor.
bool peekNextPair(const FileInfList& list, FindRecord* source) {
    const FileInf* block = list.cursorBlock;
    int index = list.cursorIndex;
    if (index >= FileInf::capacity) {
        block = block->next;
        index = 0;
    }
    if (block == nullptr || index >= block->count) return false;
    *source = block->sources[index];
    return true;
}

// The code of the pair taken last; -1 while it has none.
int lastTakenCode(const FileInfList& list) {
    const int slot = list.cursorIndex - 1;
    return list.cursorBlock->states[slot] == PairState::Recorded ? list.cursorBlock->codes[slot] : -1;
}

void checkCountersAgainstLines(QdlCore& job, const std::string& run) {
    int counts[4] = {};
    int lines = 0;
    LogReader reader;
    startLogReader(job, &reader);
    while (const char* line = readLogLine(job, reader)) {
        if (std::strncmp(line, mnemonicOf(reader.entry.code), 4) != 0) fail("a line's code is not its entry's", line);
        if (severityOf(reader.entry.code) == Extra) fail("an extra in the log's lines", line);
        ++counts[severityOf(reader.entry.code)];
        ++lines;
    }
    const CompareStats& s = job.stats;
    if (counts[NoDifference] != s.noDifference || counts[Notice] != s.notices ||
        counts[Error] != s.errors || counts[FatalError] != s.fatalErrors || lines != s.total)
        fail("counters differ from the lines", run);
}

std::string countsOf(const QdlCore& job) {
    std::string answer;
    const CompareStats& s = job.stats;
    for (const auto value : {s.noDifference, s.notices, s.errors, s.fatalErrors, s.total, s.ratePercent})
        answer += std::to_string(value) + " ";
    return answer + std::to_string(job.extras) + " " + std::to_string(job.comparedBytes);
}

// What a finished job answers: its log lines, counters and bytes.
std::string answerOf(QdlCore& job) {
    std::string answer;
    LogReader reader;
    startLogReader(job, &reader);
    while (const char* line = readLogLine(job, reader)) answer += std::string(line) + "\n";
    return answer + countsOf(job);
}

// The same job planned a folder at a time, one pair or three at once, its lines read as they are
// recorded and the list released behind them, must give the whole list's answer.
void checkPlannedAsItGoes(const std::string& source, const std::string& destination,
                          const std::string& answer, int pairsAtOnce, const std::string& run) {
    QdlCore job(source.c_str(), destination.c_str(), jobOptions());
    // A plan refused records nothing, as the whole list's did.
    static_cast<void>(job.startPlan());
    JobStepper* stepper = startStepper(job, pairsAtOnce);
    std::string lines;
    LogReader reader;
    startLogReader(job, &reader);
    for (int steps = 0;; ++steps) {
        if (steps > 1000000) fail("the run planned as it goes does not end", run);
        const bool ended = stepper->step() != 0;
        while (const char* line = readLogLine(job, reader)) lines += std::string(line) + "\n";
        job.releasePairsBefore(reader.cursor);
        if (ended) break;
    }
    delete stepper;
    if (lines + countsOf(job) != answer)
        fail(pairsAtOnce == 1 ? "planned as it goes, the answer differs"
                              : "planned as it goes with three pairs at once, the answer differs",
             run + "\n" + lines + countsOf(job) + "\nagainst\n" + answer);
}

// The same job with three pairs at a time must give the one-at-a-time answer.
void checkSeveralAtOnce(const std::string& source, const std::string& destination,
                        const std::string& answer, const std::string& run) {
    auto job = plannedJob(source, destination);
    auto parallel = std::make_unique<ParallelStepper>(*job);
    if (parallel->start(3) != 0) fail("no worker started", run);
    for (int steps = 0; parallel->step() == 0; ++steps) {
        if (steps > 1000000) fail("the run with workers does not end", run);
    }
    parallel.reset();
    if (answerOf(*job) != answer) fail("three pairs at a time answer otherwise", run);
}

void runJob(const std::string& source, const std::string& destination) {
    const std::string run = source + " | " + destination;
    auto* job = plannedJob(source, destination).release();
    const ExpectedPaths expected = expectedPaths(*job);
    std::vector<std::string> folders;  // entered folders below the compared one
    for (int steps = 0;; ++steps) {
        if (steps > 1000000) fail("the run does not end", run);
        const bool taking = !pairInProgress(*job);
        FindRecord next{};
        const bool more = taking && peekNextPair(job->pairs, &next);
        if (compareStep(*job) != 0) break;
        if (job->stats.ratePercent < 0 || job->stats.ratePercent > 100 ||
            job->comparedBytes > job->totalBytes)
            fail("progress out of range", run);
        if (!more) continue;
        if (isExitMarker(next)) {
            if (!folders.empty()) folders.pop_back();
            continue;
        }
        if (isDirectory(next) && lastTakenCode(job->pairs) == CodeOK) folders.push_back(next.name);
        if (!pairInProgress(*job)) continue;
        std::string relative;
        for (const auto& folder : folders) relative += folder + "\\";
        relative += next.name;
        const std::string sourcePath = expected.sourceFolder + relative;
        const std::string destinationPath =
            expected.destinationFolder +
            (expected.singleFile ? writableState(*job).currentDestination.name : relative);
        if (!sameFile(job->inProgress.sourceHandle, sourcePath)) fail("opened another source file", run + ": " + sourcePath);
        if (!sameFile(job->inProgress.destinationHandle, destinationPath))
            fail("opened another destination file", run + ": " + destinationPath);
    }
    if (pairInProgress(*job)) fail("a pair is still open", run);
    checkCountersAgainstLines(*job, run);
    // Threads cost more than most inputs; only a list with pairs to share out can answer otherwise.
    const std::string answer = answerOf(*job);
    if (job->stats.total > 1) checkSeveralAtOnce(source, destination, answer, run);
    checkPlannedAsItGoes(source, destination, answer, 1, run);
    if (job->stats.total > 1) checkPlannedAsItGoes(source, destination, answer, 3, run);
    delete job;
}

// The same job with one system call failed: with an I/O error, or (odd choices) a read coming
// short.
void checkFailedCall(const std::string& source, const std::string& destination, std::uint8_t choice,
                     const std::string& run) {
    planFault({static_cast<std::uint64_t>(choice >> 1) + 1, EIO,
               (choice & 1) != 0 ? FaultMode::Short : FaultMode::Once});
    bool planned = false;
    auto job = plannedJob(source, destination, &planned);
    while (planned && compareStep(*job) == 0) {
    }
    planFault({});
    const CompareStats& s = job->stats;
    const bool clean = planned && !job->listIncomplete() && s.notices == 0 && s.errors == 0 &&
                       s.fatalErrors == 0;
    if (faultsInjected() != 0 && clean) fail("a file call failed, yet the run is clean", run);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    generatedTreeBases();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& bases = generatedTreeBases();
    if (size < 3) return 0;
    std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    // Texts stay inside the tree: no way up, and nothing the terminator would cut.
    if (text.find("..") != std::string::npos || text.find('\0') != std::string::npos) return 0;
    const std::size_t split = text.find('\n');
    const std::string sourceTail = text.substr(0, split);
    const std::string destinationTail = split == std::string::npos ? "" : text.substr(split + 1);
    const int before = openDescriptors();
    const std::string source = bases[data[0] % bases.size()] + sourceTail;
    const std::string destination = bases[(data[1] & 0x7F) % bases.size()] + destinationTail;
    withExtras = (data[1] & 0x80) != 0;
    runJob(source, destination);
    if (data[2] != 0) checkFailedCall(source, destination, data[2], source + " | " + destination);
    if (openDescriptors() != before) fail("a file was left open", text);
    return 0;
}
