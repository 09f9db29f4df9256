#include "pair_comparison.h"

#include "misuse.h"
#include "qdl_core.h"

#include <algorithm>
#include <cstring>

namespace {

// Other readers may hold the file too (another name of it, another run); a writer may not.
HANDLE openForCompare(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Whether two last-write times differ by more than the window (a FAT stick keeps 2 seconds).
bool timesDiffer(const FILETIME& source, const FILETIME& destination, std::uint64_t window) {
    if (window == 0) return CompareFileTime(&source, &destination) != 0;
    const std::uint64_t a = ticksOf(source);
    const std::uint64_t b = ticksOf(destination);
    return (a > b ? a - b : b - a) > window;
}

// Contents first, then size, last-write time and attributes, as recorded at planning.
ResultCode classifyCompletePair(const FindRecord& source, const FindRecord& destination,
                                std::uint64_t timeWindow) {
    if (fileSize(source) > fileSize(destination)) return CodeSID;
    if (fileSize(source) < fileSize(destination)) return CodeDIS;
    if (timesDiffer(source.lastWriteTime, destination.lastWriteTime, timeWindow)) return CodeNET;
    if (source.attributes != destination.attributes) return CodeNEA;
    return CodeOK;
}

}  // namespace

ResultCode openPair(PairComparison& pair, const char* sourcePath, const char* destinationPath,
                    const FindRecord& source, const FindRecord& destination) {
    QUENDLE_EXPECT(pair.sourceHandle == nullptr, "a pair is opened while its comparison is still open");
    const HANDLE sourceFile = openForCompare(sourcePath);
    if (sourceFile == INVALID_HANDLE_VALUE) return CodeSOE;
    const HANDLE destinationFile = openForCompare(destinationPath);
    if (destinationFile == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        CloseHandle(sourceFile);
        SetLastError(error);
        return CodeDOE;
    }
    pair.sourceHandle = sourceFile;
    pair.destinationHandle = destinationFile;
    pair.commonRemaining = std::min(fileSize(source), fileSize(destination));
    pair.sourceRemaining = fileSize(source);
    return Pending;
}

ResultCode comparePairChunk(PairComparison& pair, const FindRecord& source,
                            const FindRecord& destination, std::uint64_t* compared,
                            std::uint64_t* read) {
    const std::uint32_t length = pair.commonRemaining >= chunkSize
        ? chunkSize
        : static_cast<std::uint32_t>(pair.commonRemaining);
    // When both files were listed with this size and end with this chunk, each is asked for one
    // byte more: a file that grew after it was listed has bytes nobody compared.
    const bool bothEnd = length == pair.commonRemaining && fileSize(source) == fileSize(destination);
    std::uint32_t difference = 0;
    const int result = compareChunk(pair.sourceHandle, pair.destinationHandle, pair.sourceBuffer,
                                    pair.destinationBuffer, length, bothEnd, &difference);
    if (result == CodeNEC)
        pair.firstDifference = std::min(fileSize(source), fileSize(destination)) -
                               pair.commonRemaining + difference;
    // A chunk that differs was read in full; one that failed to read was not compared.
    if (result == 0 || result == CodeNEC || result == CodeSID || result == CodeDIS) *read += length;
    if (result != 0) {
        // The failed pair still accounts for its whole source size.
        *compared += pair.sourceRemaining;
        closePair(pair);
        return static_cast<ResultCode>(result);
    }
    pair.commonRemaining -= length;
    pair.sourceRemaining -= length;
    *compared += length;
    if (pair.commonRemaining != 0) return Pending;
    closePair(pair);
    return classifyCompletePair(source, destination, pair.timeWindow);
}

int compareChunk(HANDLE source, HANDLE destination, unsigned char* sourceBuffer,
                 unsigned char* destinationBuffer, std::uint32_t length, bool bothEnd,
                 std::uint32_t* difference) {
    const std::uint32_t asked = length + (bothEnd ? 1 : 0);
    // A read that fails is not the end of the file, whatever it delivered.
    DWORD sourceGot = 0;
    if (ReadFile(source, sourceBuffer, asked, &sourceGot, nullptr) == 0 || sourceGot < length)
        return CodeSRE;
    DWORD destinationGot = 0;
    if (ReadFile(destination, destinationBuffer, asked, &destinationGot, nullptr) == 0 ||
        destinationGot < length)
        return CodeDRE;
    // Zeros behind the data make the last partial word equal on both sides, so comparing whole
    // words is the same as comparing the bytes read.
    std::memset(sourceBuffer + length, 0, 4);
    std::memset(destinationBuffer + length, 0, 4);
    const std::size_t words = (length + 3u) / 4u;
    if (std::memcmp(sourceBuffer, destinationBuffer, words * 4) != 0) {
        // Only a chunk that differs is looked at byte by byte.
        *difference = static_cast<std::uint32_t>(
            std::mismatch(sourceBuffer, sourceBuffer + length, destinationBuffer).first - sourceBuffer);
        return CodeNEC;
    }
    if (sourceGot > length) return CodeSID;
    if (destinationGot > length) return CodeDIS;
    return 0;
}

bool openMayWorkAlone(DWORD error) {
    return error == ERROR_TOO_MANY_OPEN_FILES || error == ERROR_SHARING_VIOLATION;
}

void closePair(PairComparison& pair) {
    if (pair.sourceHandle == nullptr) return;
    CloseHandle(pair.sourceHandle);
    CloseHandle(pair.destinationHandle);
    pair.sourceHandle = nullptr;
    pair.destinationHandle = nullptr;
    pair.sourceRemaining = 0;
    pair.commonRemaining = 0;
}
