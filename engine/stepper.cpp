#include "stepper.h"

#include "link_comparison.h"
#include "platform/test_points.h"

#include <bit>

namespace {

void addCompared(QdlCore& job, std::uint64_t bytes) {
    JobState& state = writableState(job);
    state.comparedBytes += bytes;
    state.stats.ratePercent = computeRate(job);
}

void countResult(QdlCore& job, ResultCode code) {
    JobState& state = writableState(job);
    ++state.stats.total;
    switch (severityOf(code)) {
    case NoDifference: ++state.stats.noDifference; break;
    case Notice: ++state.stats.notices; break;
    case Error: ++state.stats.errors; break;
    case FatalError: ++state.stats.fatalErrors; break;
    case Extra: break;  // counted apart, by settlePair
    }
}

int chunkStep(QdlCore& job, PairComparison& comparison) {
    // A large file compared slowly, as a test of what goes on meanwhile needs one.
    QUENDLE_PAUSE_POINT("chunk-step");
    JobState& state = writableState(job);
    std::uint64_t compared = 0;
    const int code = comparePairChunk(comparison, state.currentSource, state.currentDestination,
                                      &compared, &state.readBytes);
    addCompared(job, compared);
    // The user asked the run to stop while a read waited: the pair keeps no code, and no pair after
    // it is taken.
    if (comparison.interrupted) return 1;
    if (code == CodeNEC)
        state.pairs.setFirstDifferenceBefore(state.pairs.cursor(), comparison.firstDifference);
    if (code != pairGoesOn) {
        const auto result = static_cast<ResultCode>(code);
        if (severityOf(result) == FatalError) state.pairs.setFaultBefore(state.pairs.cursor(), comparison.fault);
        recordResult(job, result);
    }
    return 0;
}

// Ends the path right after the backslash before position `from`; empty when there is none.
void dropLastLevel(char* path, int from) {
    int i = from;
    while (i >= 0 && path[i] != '\\') --i;
    path[i + 1] = '\0';
}

// Puts name, and a backslash, behind the backslash at split. Planning enters a folder only when
// both its paths fit with the backslash.
void enterDirectory(char* path, int split, const char* name) {
    appendCut(path, appendCut(path, split + 1, name, pathLimit - 1), "\\", pathLimit);
}

int takeStep(QdlCore& job, PairComparison& comparison) {
    JobState& state = writableState(job);
    PairOutcome outcome;
    if (takePair(job, state.currentDestination, &outcome) != 0) return 1;
    if (outcome.code == pairGoesOn) {
        outcome.code = openPair(comparison, state.workSource, state.workDestination, state.currentSource,
                                state.currentDestination);
        if (outcome.code == pairGoesOn) {
            state.stats.currentName = state.currentSource.name;
            return 0;
        }
        if (outcome.code == CodeSOE || outcome.code == CodeDOE) outcome.fault = comparison.fault;
    }
    settlePair(job, state.pairs.cursor(), outcome);
    return 0;
}

}  // namespace

int compareStep(QdlCore& job) {
    return compareStep(job, writableState(job).inProgress);
}

int compareStep(QdlCore& job, PairComparison& comparison) {
    return comparison.sourceHandle != nullptr ? chunkStep(job, comparison) : takeStep(job, comparison);
}

int takePair(QdlCore& job, FindRecord& destination, PairOutcome* outcome, bool mayWait) {
    JobState& state = writableState(job);
    PairMark mark;
    FindRecord& source = state.currentSource;
    // A tree planned as it is stepped records its next pairs once the list has run out.
    while (state.pairs.nextPair(&source, &destination, &mark) != 0)
        if (const int planned = job.planMore(mayWait); planned != 0) return planned;
    *outcome = {CodeOK, Settling::Uncounted, 0, 0, 0, noFault};

    const int sourceSplit = lastBackslashBeforeWildcard(state.workSource, pathRoom);
    const int destinationSplit = lastBackslashBeforeWildcard(state.workDestination, pathRoom);
    if (isExitMarker(source)) {
        dropLastLevel(state.workSource, sourceSplit - 1);
        dropLastLevel(state.workDestination, destinationSplit - 1);
        return 0;
    }
    if (mark.state == PairState::Extra) {
        *outcome = {isDirectory(source) ? CodeDOD : CodeDOF, Settling::Extra, 0, 0, 0, noFault};
        return 0;
    }
    // Planning found that the entry cannot be compared; its bytes were never counted.
    if (mark.state == PairState::SourceError || mark.state == PairState::DestinationError) {
        *outcome = {mark.state == PairState::SourceError ? CodeSOE : CodeDOE, Settling::Counted, 0, 0, 0,
                    state.pairs.faultBefore(state.pairs.cursor())};
        return 0;
    }
    if (destination.name[0] == '\0') {
        *outcome = {isDirectory(source) ? CodeSOD : CodeSOF, Settling::Counted, 0, 0, 0, noFault};
        return 0;
    }
    if (isDirectory(source)) {
        enterDirectory(state.workSource, sourceSplit, source.name);
        enterDirectory(state.workDestination, destinationSplit, destination.name);
        return 0;
    }
    // Every file pair that is not compared still accounts for its source size.
    *outcome = {pairGoesOn, Settling::WithBytes, fileSize(source), 0, 0, noFault};
    // Nothing is opened by a cut path: a name found longer than the one asked for may not fit.
    if (!fitsBehind(sourceSplit + 1, source.name)) {
        *outcome = {CodeSOE, Settling::WithBytes, fileSize(source), 0, 0, {FaultCause::TooLong, 0}};
    } else if (!fitsBehind(destinationSplit + 1, destination.name)) {
        *outcome = {CodeDOE, Settling::WithBytes, fileSize(source), 0, 0, {FaultCause::TooLong, 0}};
    } else {
        appendCut(state.workSource, sourceSplit + 1, source.name, pathLimit);
        appendCut(state.workDestination, destinationSplit + 1, destination.name, pathLimit);
        if (isLinkAsItself(source) || isLinkAsItself(destination)) {
            const LinkVerdict verdict = compareLinks(state.workSource, state.workDestination, source,
                                                     destination, job.options.links);
            outcome->code = verdict.code;
            outcome->fault = verdict.fault;
        } else if (mark.state == PairState::Compared) {
            const ListCursor slot = state.pairs.cursor();
            *outcome = {mark.code, Settling::WithBytes, state.pairs.bytesElsewhereBefore(slot), state.pairs.readElsewhereBefore(slot),
                        state.pairs.firstDifferenceBefore(slot), state.pairs.faultBefore(slot)};
        }
    }
    return 0;
}

void settlePair(QdlCore& job, const ListCursor& slot, const PairOutcome& outcome) {
    JobState& state = writableState(job);
    QUENDLE_EXPECT(outcome.code != pairGoesOn, "a pair is settled with its result");
    const auto code = static_cast<ResultCode>(outcome.code);
    state.pairs.setCodeBefore(slot, code);
    if (code == CodeNEC) state.pairs.setFirstDifferenceBefore(slot, outcome.firstDifference);
    state.pairs.setFaultBefore(slot, outcome.fault);
    if (outcome.settling == Settling::Uncounted) return;
    if (outcome.settling == Settling::Extra) {
        ++state.extras;
        return;
    }
    if (outcome.settling == Settling::WithBytes) addCompared(job, outcome.bytes);
    state.readBytes += outcome.read;
    countResult(job, code);
}

void recordResult(QdlCore& job, ResultCode code) {
    JobState& state = writableState(job);
    state.pairs.setLastCode(code);
    countResult(job, code);
}

int percentOf(std::uint64_t part, std::uint64_t whole) {
    // 25 bits times 100 still fit 32.
    constexpr int significantBits = 25;
    const int significant = std::bit_width(whole);
    const int shift = significant > significantBits ? significant - significantBits : 0;
    const auto cutWhole = static_cast<std::uint32_t>(whole >> shift);
    const auto cutPart = static_cast<std::uint32_t>(part >> shift);
    if (cutWhole == 0) return 100;
    return static_cast<int>(cutPart * 100u / cutWhole);
}

int computeRate(const QdlCore& job) {
    return percentOf(job.comparedBytes, job.totalBytes);
}

bool pairInProgress(const QdlCore& job) {
    return job.inProgress.sourceHandle != nullptr;
}

void abandonPairInProgress(QdlCore& job) {
    JobState& state = writableState(job);
    closePair(state.inProgress);
}
