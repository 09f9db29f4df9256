#include "stepper.h"

#include <algorithm>
#include <bit>
#include <cstring>

CurrentPair currentPair{};

namespace {

void closePairFiles() {
    CloseHandle(currentPair.sourceHandle);
    CloseHandle(currentPair.destinationHandle);
    currentPair.sourceHandle = nullptr;
    currentPair.destinationHandle = nullptr;
}

HANDLE openForCompare(const char* path) {
    return CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

void addCompared(QdlCore& job, std::uint64_t bytes) {
    job.comparedBytes += bytes;
    job.stats.ratePercent = computeRate(job);
}

ResultCode classifyCompletePair(const QdlCore& job) {
    const FindRecord& source = job.currentSource;
    const FindRecord& destination = currentPair.currentDestination;
    if (fileSize(source) > fileSize(destination)) return CodeSID;
    if (fileSize(source) < fileSize(destination)) return CodeDIS;
    if (CompareFileTime(&source.lastWriteTime, &destination.lastWriteTime) != 0) return CodeNET;
    if (source.attributes != destination.attributes) return CodeNEA;
    return CodeOK;
}

int chunkStep(QdlCore& job) {
    const std::uint32_t length = currentPair.commonRemaining >= chunkSize
        ? chunkSize
        : static_cast<std::uint32_t>(currentPair.commonRemaining);
    const int result = compareChunk(job, currentPair.sourceHandle, currentPair.destinationHandle,
                                    length);
    if (result != 0) {
        // The failed pair still accounts for its whole source size.
        addCompared(job, currentPair.sourceRemaining);
        currentPair.sourceRemaining = 0;
        recordResult(job, static_cast<ResultCode>(result));
        closePairFiles();
        return 0;
    }
    currentPair.commonRemaining -= length;
    currentPair.sourceRemaining -= length;
    addCompared(job, length);
    if (currentPair.commonRemaining != 0) return 0;

    currentPair.sourceRemaining = 0;
    closePairFiles();
    recordResult(job, classifyCompletePair(job));
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

// A pair reported without opening anything; neither work path moves.
void recordUnopened(QdlCore& job, ResultCode code, std::uint64_t bytes) {
    addCompared(job, bytes);
    recordResult(job, code);
}

int takeStep(QdlCore& job) {
    ResultCode pending;
    FindRecord& source = job.currentSource;
    FindRecord& destination = currentPair.currentDestination;
    if (job.pairs.nextPair(&source, &destination, &pending) != 0) return 1;

    const int sourceSplit = lastBackslashBeforeWildcard(job.workSource, pathRoom);
    const int destinationSplit = lastBackslashBeforeWildcard(job.workDestination, pathRoom);
    if (source.name[0] == '.') {
        dropLastLevel(job.workSource, sourceSplit - 1);
        dropLastLevel(job.workDestination, destinationSplit - 1);
        job.pairs.setLastCode(CodeOK);
        return 0;
    }
    // Planning found that the entry cannot be compared; its bytes were never counted.
    if (pending == PendingSourceError || pending == PendingDestinationError) {
        recordResult(job, pending == PendingSourceError ? CodeSOE : CodeDOE);
        return 0;
    }
    if (destination.name[0] == '\0') {
        recordResult(job, isDirectory(source) ? CodeSOD : CodeSOF);
        return 0;
    }
    if (isDirectory(source)) {
        enterDirectory(job.workSource, sourceSplit, source.name);
        enterDirectory(job.workDestination, destinationSplit, destination.name);
        job.pairs.setLastCode(CodeOK);
        return 0;
    }
    // Nothing is opened by a cut path: a name found longer than the one asked for may not fit.
    if (!fitsBehind(sourceSplit + 1, source.name)) {
        recordUnopened(job, CodeSOE, fileSize(source));
        return 0;
    }
    if (!fitsBehind(destinationSplit + 1, destination.name)) {
        recordUnopened(job, CodeDOE, fileSize(source));
        return 0;
    }
    appendCut(job.workSource, sourceSplit + 1, source.name, pathLimit);
    appendCut(job.workDestination, destinationSplit + 1, destination.name, pathLimit);

    const HANDLE sourceFile = openForCompare(job.workSource);
    if (sourceFile == INVALID_HANDLE_VALUE) {
        recordUnopened(job, CodeSOE, fileSize(source));
        return 0;
    }
    const HANDLE destinationFile = openForCompare(job.workDestination);
    if (destinationFile == INVALID_HANDLE_VALUE) {
        CloseHandle(sourceFile);
        recordUnopened(job, CodeDOE, fileSize(source));
        return 0;
    }
    currentPair.sourceHandle = sourceFile;
    currentPair.destinationHandle = destinationFile;
    currentPair.commonRemaining = std::min(fileSize(source), fileSize(destination));
    currentPair.sourceRemaining = fileSize(source);
    job.stats.currentName = source.name;
    return 0;
}

}  // namespace

int compareStep(QdlCore& job) {
    return pairInProgress() ? chunkStep(job) : takeStep(job);
}

int compareChunk(QdlCore& job, HANDLE source, HANDLE destination, std::uint32_t length) {
    DWORD got = 0;
    ReadFile(source, job.sourceBuffer, length, &got, nullptr);
    if (got < length) return CodeSRE;
    got = 0;
    ReadFile(destination, job.destinationBuffer, length, &got, nullptr);
    if (got < length) return CodeDRE;
    // Zeros behind the data make the last partial word equal on both sides, so comparing whole
    // words is the same as comparing the bytes read.
    std::memset(job.sourceBuffer + length, 0, 4);
    std::memset(job.destinationBuffer + length, 0, 4);
    const std::size_t words = (length + 3u) / 4u;
    return std::memcmp(job.sourceBuffer, job.destinationBuffer, words * 4) == 0 ? 0 : CodeNEC;
}

void recordResult(QdlCore& job, ResultCode code) {
    job.pairs.setLastCode(code);
    ++job.stats.total;
    switch (severityOf(code)) {
    case NoDifference: ++job.stats.noDifference; break;
    case Notice: ++job.stats.notices; break;
    case Error: ++job.stats.errors; break;
    case FatalError: ++job.stats.fatalErrors; break;
    }
}

int computeRate(const QdlCore& job) {
    const int significant = std::bit_width(job.totalBytes);
    const int shift = significant > 25 ? significant - 25 : 0;
    const auto total = static_cast<std::uint32_t>(job.totalBytes >> shift);
    const auto compared = static_cast<std::uint32_t>(job.comparedBytes >> shift);
    if (total == 0) return 100;
    return static_cast<int>(compared * 100u / total);
}

bool pairInProgress() {
    return currentPair.sourceHandle != nullptr;
}

void abandonPairInProgress() {
    if (!pairInProgress()) return;
    closePairFiles();
    currentPair.sourceRemaining = 0;
    currentPair.commonRemaining = 0;
}
