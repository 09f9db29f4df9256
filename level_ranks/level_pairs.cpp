#include "level_pairs.h"

#include "engine/pair_comparison.h"

#include <cstdlib>
#include <cstring>

namespace {

// One entry's answer, until the entries are packed again in their order.
struct PairAnswer {
    bool compared;
    ComparedElsewhere answer;
    Fault fault;
};

PairAnswer answerOf(int code, std::uint64_t bytes, std::uint64_t read, const PairComparison& comparison) {
    return {true, {static_cast<ResultCode>(code), bytes, read, code == CodeNEC ? comparison.firstDifference : 0},
            comparison.fault};
}

// The pair compared to its end with the plain calls, as the stepper compares it. A read that gave
// way to a signal leaves the pair to rank 0.
PairAnswer comparePlainly(const char* sourcePath, const char* destinationPath, const FindRecord& source,
                          const FindRecord& destination, PairComparison& comparison) {
    std::uint64_t bytes = 0;
    std::uint64_t read = 0;
    int code = openPair(comparison, sourcePath, destinationPath, source, destination);
    // A pair that does not open still accounts for its source's size.
    if (code != pairGoesOn) return answerOf(code, fileSize(source), 0, comparison);
    while (code == pairGoesOn && !comparison.interrupted)
        code = comparePairChunk(comparison, source, destination, &bytes, &read);
    if (comparison.interrupted) return {};
    return answerOf(code, bytes, read, comparison);
}

// The batch's pairs read whole in one go, each judged as the plain calls would have judged it;
// those the batch could not settle, and any open that failed for want of descriptors (which one
// pair at a time would not have met), compared plainly.
void compareBatch(PairBuffers& buffers, PairComparison& comparison, PairAnswer* answers) {
    PairBatch& batch = buffers.batch;
    const bool read = readWholeFiles(batch.reads, 2 * batch.count) == 0;
    for (int k = 0; k < batch.count; ++k) {
        const WholeFileRead& source = batch.reads[2 * k];
        const WholeFileRead& destination = batch.reads[2 * k + 1];
        PairAnswer& answer = answers[batch.index[k]];
        const DWORD openError = source.openError != 0 ? source.openError : destination.openError;
        if (!read || source.readPlainly || destination.readPlainly || openMayWorkAlone(openError)) {
            // Read into the buffers' start: the pairs behind it lie further on than it reaches.
            answer = comparePlainly(batch.sourcePath[k], batch.destinationPath[k], batch.source[k],
                                    batch.destination[k], comparison);
            continue;
        }
        comparison.sourceBuffer = source.buffer;
        comparison.destinationBuffer = destination.buffer;
        std::uint64_t bytes = 0;
        std::uint64_t bytesRead = 0;
        const int code = judgeWholePair(comparison, batch.source[k], batch.destination[k], source, destination,
                                        &bytes, &bytesRead);
        answer = answerOf(code, openError != 0 ? fileSize(batch.source[k]) : bytes, bytesRead, comparison);
        comparison.sourceBuffer = buffers.source;
        comparison.destinationBuffer = buffers.destination;
    }
    batch.count = 0;
    batch.packed = 0;
}

}  // namespace

PairSize sizeOfPair(const TreeLevel& level, const FindRecord& source, const FindRecord& destination,
                    PairState state) {
    if (state != PairState::ToCompare || destination.name[0] == '\0' || !listedAsPlainFile(source) ||
        !listedAsPlainFile(destination) || !fitsBehind(static_cast<int>(std::strlen(level.sourceFolder)), source.name) ||
        !fitsBehind(static_cast<int>(std::strlen(level.destinationFolder)), destination.name))
        return PairSize::NotComparedElsewhere;
    return fileSize(source) <= comparedWhereListedMost && fileSize(destination) <= comparedWhereListedMost
               ? PairSize::Small
               : PairSize::Large;
}

PairComparison comparisonOn(PairBuffers& buffers, std::uint64_t timeWindow) {
    PairComparison comparison{};
    comparison.sourceBuffer = buffers.source;
    comparison.destinationBuffer = buffers.destination;
    comparison.chunk = workerChunk;
    comparison.timeWindow = timeWindow;
    return comparison;
}

void pathOf(const char* folder, const FindRecord& entry, char (&path)[pathRoom]) {
    appendCut(path, appendCut(path, 0, folder, pathLimit), entry.name, pathLimit);
}

int compareListedPairs(const TreeLevel& level, std::uint64_t timeWindow, PairBuffers& buffers,
                       FolderEntries* compared) {
    const FolderEntries& entries = level.entries;
    auto* answers = static_cast<PairAnswer*>(std::calloc(static_cast<std::size_t>(entries.count) + 1, sizeof(PairAnswer)));
    if (answers == nullptr) return 1;
    PairComparison comparison = comparisonOn(buffers, timeWindow);
    PairBatch& batch = buffers.batch;
    batch.count = 0;
    batch.packed = 0;
    const bool batches = wholeFileReadsOffered();
    FindRecord source;
    FindRecord destination;
    PairState state;
    for (EntryCursor at = FolderEntries::start(); entries.pairAt(&at, &source, &destination, &state) == 0;) {
        if (sizeOfPair(level, source, destination, state) != PairSize::Small) continue;
        const std::uint32_t ask = batches ? wholePairAsk(source, destination) : noWholeAsk;
        // Each side's bytes with the comparison's slack, kept aligned.
        const std::uint32_t room = ask == noWholeAsk ? 0 : (ask + 4 + 7) / 8 * 8;
        if (batch.count > 0 && (ask == noWholeAsk || batch.count == PairBatch::most || batch.packed + room > workerChunk))
            compareBatch(buffers, comparison, answers);
        const int k = batch.count;
        pathOf(level.sourceFolder, source, batch.sourcePath[k]);
        pathOf(level.destinationFolder, destination, batch.destinationPath[k]);
        if (ask == noWholeAsk) {
            answers[at.index - 1] = comparePlainly(batch.sourcePath[k], batch.destinationPath[k], source, destination,
                                                   comparison);
            continue;
        }
        batch.index[k] = at.index - 1;
        batch.source[k] = source;
        batch.destination[k] = destination;
        batch.reads[2 * k] = {batch.sourcePath[k], buffers.source + batch.packed, ask, 0, 0, 0, 0, 0, 0, 0, false};
        batch.reads[2 * k + 1] = {batch.destinationPath[k], buffers.destination + batch.packed, ask, 0, 0, 0, 0, 0, 0, 0, false};
        batch.packed += room;
        ++batch.count;
    }
    if (batch.count > 0) compareBatch(buffers, comparison, answers);

    int lost = 0;
    Fault fault;
    for (EntryCursor at = FolderEntries::start();
         lost == 0 && entries.pairAt(&at, &source, &destination, &state, &fault) == 0;) {
        const PairAnswer& answer = answers[at.index - 1];
        lost = answer.compared ? compared->addPair(source, destination, PairState::Compared, answer.fault, &answer.answer)
                               : compared->addPair(source, destination, state, fault);
    }
    std::free(answers);
    compared->lostPairs += entries.lostPairs;
    return lost;
}
