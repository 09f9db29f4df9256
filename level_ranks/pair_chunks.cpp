#include "pair_chunks.h"

#include "engine/pair_comparison.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

RangeAnswer compareRange(const RangeRequest& range, std::uint64_t timeWindow, PairBuffers& buffers) {
    PairComparison comparison = comparisonOn(buffers, timeWindow);
    std::uint64_t bytes = 0;
    std::uint64_t read = 0;
    int code = openPair(comparison, range.sourcePath, range.destinationPath, range.source, range.destination);
    if (code == pairGoesOn && range.offset > 0) code = movePairTo(comparison, range.offset);
    // A pair that does not open (or move) still accounts for its source's size from here on.
    if (code != pairGoesOn) return {code, fileSize(range.source) - range.offset, 0, 0, comparison.fault};
    // A range with more behind it ends where the next begins; the last ends with the pair.
    const std::uint64_t left = range.length == 0 ? 0 : comparison.commonRemaining - range.length;
    while (code == pairGoesOn && !comparison.interrupted && (range.length == 0 || comparison.commonRemaining > left))
        code = comparePairChunk(comparison, range.source, range.destination, &bytes, &read);
    if (comparison.interrupted) return {CodeSRE, bytes, read, 0, {FaultCause::Interrupted, 0}};
    if (code == pairGoesOn) {
        const std::uint64_t remaining = comparison.sourceRemaining;
        code = closePair(comparison);
        if (code == 0) return {pairGoesOn, bytes, read, 0, noFault};
        // A failed close accounts for the rest of the source, as one that ends a pair does.
        bytes += remaining;
    }
    return {code, bytes, read, code == CodeNEC ? comparison.firstDifference : 0, comparison.fault};
}

CutLevel* cutLargePairs(TreeLevel* level, std::uint64_t rangeBytes) {
    const FolderEntries& entries = level->entries;
    FindRecord source;
    FindRecord destination;
    PairState state;
    std::int32_t pairs = 0;
    std::int64_t ranges = 0;
    for (EntryCursor at = FolderEntries::start(); entries.pairAt(&at, &source, &destination, &state) == 0;) {
        if (sizeOfPair(*level, source, destination, state) != PairSize::Large) continue;
        const std::uint64_t common = std::min(fileSize(source), fileSize(destination));
        ++pairs;
        ranges += common == 0 ? 1 : static_cast<std::int64_t>((common + rangeBytes - 1) / rangeBytes);
    }
    if (pairs == 0 || ranges > INT32_MAX) return nullptr;
    auto* cut = new (std::nothrow) CutLevel{level, rangeBytes, nullptr, pairs, nullptr, nullptr,
                                            static_cast<std::int32_t>(ranges), 0, 0, nullptr};
    if (cut == nullptr) return nullptr;
    cut->pairs = static_cast<LargePair*>(std::calloc(static_cast<std::size_t>(pairs), sizeof(LargePair)));
    cut->rangeOwners = static_cast<std::int32_t*>(std::calloc(static_cast<std::size_t>(ranges), sizeof(std::int32_t)));
    cut->answers = static_cast<RangeAnswer*>(std::calloc(static_cast<std::size_t>(ranges), sizeof(RangeAnswer)));
    if (cut->pairs == nullptr || cut->rangeOwners == nullptr || cut->answers == nullptr) {
        dropCutLevel(cut);
        return nullptr;
    }
    std::int32_t pair = 0;
    std::int32_t range = 0;
    for (EntryCursor at = FolderEntries::start(); entries.pairAt(&at, &source, &destination, &state) == 0;) {
        if (sizeOfPair(*level, source, destination, state) != PairSize::Large) continue;
        LargePair& large = cut->pairs[pair];
        const std::uint64_t common = std::min(fileSize(source), fileSize(destination));
        large.entry = at.index - 1;
        large.firstRange = range;
        large.rangeCount = common == 0 ? 1 : static_cast<std::int32_t>((common + rangeBytes - 1) / rangeBytes);
        large.source = source;
        large.destination = destination;
        pathOf(level->sourceFolder, source, large.sourcePath);
        pathOf(level->destinationFolder, destination, large.destinationPath);
        for (std::int32_t k = 0; k < large.rangeCount; ++k) cut->rangeOwners[range++] = pair;
        ++pair;
    }
    return cut;
}

void rangeOf(const CutLevel& cut, std::int32_t r, RangeRequest* range) {
    const LargePair& pair = cut.pairs[cut.rangeOwners[r]];
    const std::int32_t k = r - pair.firstRange;
    std::memcpy(range->sourcePath, pair.sourcePath, sizeof range->sourcePath);
    std::memcpy(range->destinationPath, pair.destinationPath, sizeof range->destinationPath);
    range->source = pair.source;
    range->destination = pair.destination;
    range->offset = static_cast<std::uint64_t>(k) * cut.rangeBytes;
    range->length = k + 1 < pair.rangeCount ? cut.rangeBytes : 0;
}

int settleLargePairs(CutLevel& cut) {
    TreeLevel& level = *cut.level;
    FolderEntries settled;
    FindRecord source;
    FindRecord destination;
    PairState state;
    Fault fault;
    ComparedElsewhere earlier;  // a small pair's, compared where it was listed
    std::int32_t next = 0;      // the next large pair, in entry order
    for (EntryCursor at = FolderEntries::start();
         level.entries.pairAt(&at, &source, &destination, &state, &fault, &earlier) == 0;) {
        int lost;
        if (next < cut.pairCount && cut.pairs[next].entry == at.index - 1) {
            const LargePair& pair = cut.pairs[next++];
            ComparedElsewhere answer{CodeOK, 0, 0, 0};
            Fault found = noFault;
            int code = pairGoesOn;
            for (std::int32_t r = pair.firstRange; r < pair.firstRange + pair.rangeCount && code == pairGoesOn; ++r) {
                const RangeAnswer& range = cut.answers[r];
                answer.bytes += range.bytes;
                answer.read += range.read;
                code = range.code;
                answer.firstDifference = range.firstDifference;
                found = range.fault;
            }
            answer.code = static_cast<ResultCode>(code);
            lost = code == pairGoesOn ? settled.addPair(source, destination, state, fault)
                                      : settled.addPair(source, destination, PairState::Compared, found, &answer);
        } else {
            lost = settled.addPair(source, destination, state, fault, state == PairState::Compared ? &earlier : nullptr);
        }
        if (lost != 0) return 1;
    }
    settled.lostPairs = level.entries.lostPairs;
    std::swap(settled.bytes, level.entries.bytes);
    std::swap(settled.used, level.entries.used);
    std::swap(settled.room, level.entries.room);
    std::swap(settled.count, level.entries.count);
    std::swap(settled.lostPairs, level.entries.lostPairs);
    return 0;
}

void dropCutLevel(CutLevel* cut) {
    if (cut == nullptr) return;
    std::free(cut->pairs);
    std::free(cut->rangeOwners);
    std::free(cut->answers);
    delete cut;
}
