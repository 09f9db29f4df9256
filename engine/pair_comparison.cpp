#include "pair_comparison.h"

#include "misuse.h"
#include "qdl_core.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Other readers may hold the file too (another name of it, another run); a writer may not. The
// file is read from start to end. The folders the layer keeps open for this thread are let go
// when they are what stands between the open and the descriptor limit.
HANDLE openForCompare(const char* path, const FindRecord& listed) {
    const DWORD flags = listedAsPlainFile(listed) ? FILE_FLAG_SEQUENTIAL_SCAN : 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_TOO_MANY_OPEN_FILES) {
        releaseFolderCache();
        file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
    }
    return file;
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

// How one chunk compared, in the terms of the dialogs' chunks (chunkSize bytes from the start of
// the files): a larger chunk gives the code and the bytes read that those chunks one after the
// other would give, so that the answer does not depend on who compared the pair.
// A chunk a read of which gave way to the user's request to stop: nothing is known of it.
constexpr int chunkInterrupted = -1;

struct ChunkResult {
    int code;  // 0 equal, or CodeNEC, CodeSID, CodeDIS, CodeSRE, CodeDRE, or chunkInterrupted
    std::uint32_t difference;  // for CodeNEC: the offset of the first differing byte in the chunk
    std::uint32_t read;        // bytes read from both sides and compared, in whole dialog chunks
    Fault fault;               // for CodeSRE and CodeDRE: the failed read's, or a short one
};

// Why a side's read gave less than asked: its error, or a file shorter than listed.
Fault readFault(bool succeeded, const Fault& failure) {
    return succeeded ? Fault{FaultCause::Shrank, 0} : failure;
}

// The whole dialog chunks a side delivered before it failed or came short; none missing when it
// delivered all it was asked for.
constexpr std::uint32_t allUnits = UINT32_MAX;
std::uint32_t unitsDelivered(bool succeeded, DWORD got, std::uint32_t length) {
    return succeeded && got >= length ? allUnits : std::min<std::uint32_t>(got, length) / chunkSize;
}

// Compares the first length bytes of both buffers (four bytes of slack behind each).
bool differ(unsigned char* source, unsigned char* destination, std::uint32_t length,
            std::uint32_t* difference) {
    // Zeros behind the data make the last partial word equal on both sides, so comparing whole
    // words is the same as comparing the bytes read.
    std::memset(source + length, 0, 4);
    std::memset(destination + length, 0, 4);
    const std::size_t words = (length + 3u) / 4u;
    if (std::memcmp(source, destination, words * 4) == 0) return false;
    // Only a chunk that differs is looked at byte by byte.
    *difference = static_cast<std::uint32_t>(
        std::mismatch(source, source + length, destination).first - source);
    return true;
}

// Reads length bytes from each file and compares them. With bothEnd, both files must end after the
// chunk: CodeSID when the source has more, else CodeDIS when the destination has.
ChunkResult compareChunk(PairComparison& pair, std::uint32_t length, bool bothEnd) {
    constexpr std::uint32_t unit = chunkSize;
    const std::uint32_t asked = length + (bothEnd ? 1 : 0);
    DWORD sourceGot = 0;
    DWORD destinationGot = 0;
    // A read that fails is not the end of the file, whatever it delivered.
    const bool sourceRead = ReadFile(pair.sourceHandle, pair.sourceBuffer, asked, &sourceGot, nullptr) != 0;
    const Fault sourceFailure = sourceRead ? noFault : lastFault();
    const bool destinationRead =
        ReadFile(pair.destinationHandle, pair.destinationBuffer, asked, &destinationGot, nullptr) != 0;
    const Fault destinationFailure = destinationRead ? noFault : lastFault();
    if (sourceFailure.cause == FaultCause::Interrupted || destinationFailure.cause == FaultCause::Interrupted)
        return {chunkInterrupted, 0, 0, noFault};
    const std::uint32_t sourceUnits = unitsDelivered(sourceRead, sourceGot, length);
    const std::uint32_t destinationUnits = unitsDelivered(destinationRead, destinationGot, length);
    ChunkResult result{0, 0, length, noFault};
    if (sourceUnits == allUnits && destinationUnits == allUnits) {
        if (differ(pair.sourceBuffer, pair.destinationBuffer, length, &result.difference)) {
            result.code = CodeNEC;
            result.read = std::min(length, (result.difference / unit + 1) * unit);
        } else if (sourceGot > length) {
            result.code = CodeSID;
        } else if (destinationGot > length) {
            result.code = CodeDIS;
        }
        return result;
    }
    // One chunk at a time reads the source first: the first dialog chunk that one side could not
    // deliver in full ends the pair, after the whole chunks before it were compared.
    const std::uint32_t whole = std::min(sourceUnits, destinationUnits) * unit;
    if (differ(pair.sourceBuffer, pair.destinationBuffer, whole, &result.difference)) {
        result.code = CodeNEC;
        result.read = (result.difference / unit + 1) * unit;
        return result;
    }
    result.code = sourceUnits <= destinationUnits ? CodeSRE : CodeDRE;
    result.fault = result.code == CodeSRE ? readFault(sourceRead, sourceFailure)
                                          : readFault(destinationRead, destinationFailure);
    result.read = whole;
    return result;
}

// Why a file did not open: never opened at all when the listing found no plain file there.
Fault openFault(const FindRecord& listed) {
    if ((listed.attributes & FILE_ATTRIBUTE_DEVICE) != 0) return {FaultCause::NotAFile, 0};
    return lastFault();
}

}  // namespace

int openPair(PairComparison& pair, const char* sourcePath, const char* destinationPath,
                    const FindRecord& source, const FindRecord& destination) {
    QUENDLE_EXPECT(pair.sourceHandle == nullptr, "a pair is opened while its comparison is still open");
    const HANDLE sourceFile = openForCompare(sourcePath, source);
    if (sourceFile == INVALID_HANDLE_VALUE) {
        pair.fault = openFault(source);
        return CodeSOE;
    }
    const HANDLE destinationFile = openForCompare(destinationPath, destination);
    if (destinationFile == INVALID_HANDLE_VALUE) {
        pair.fault = openFault(destination);
        // The caller asks the last error whether the open is worth trying again alone.
        const DWORD error = GetLastError();
        (void)CloseHandle(sourceFile);
        SetLastError(error);
        return CodeDOE;
    }
    pair.sourceHandle = sourceFile;
    pair.destinationHandle = destinationFile;
    pair.interrupted = false;
    pair.commonRemaining = std::min(fileSize(source), fileSize(destination));
    pair.sourceRemaining = fileSize(source);
    return pairGoesOn;
}

int comparePairChunk(PairComparison& pair, const FindRecord& source,
                            const FindRecord& destination, std::uint64_t* compared,
                            std::uint64_t* read) {
    QUENDLE_EXPECT(pair.chunk > 0, "a comparison is given its buffers before its first chunk");
    const std::uint32_t length = pair.commonRemaining >= pair.chunk
        ? pair.chunk
        : static_cast<std::uint32_t>(pair.commonRemaining);
    // When both files were listed with this size and end with this chunk, each is asked for one
    // byte more: a file that grew after it was listed has bytes nobody compared.
    const bool bothEnd = length == pair.commonRemaining && fileSize(source) == fileSize(destination);
    const ChunkResult chunk = compareChunk(pair, length, bothEnd);
    const int result = chunk.code;
    pair.fault = chunk.fault;
    if (result == chunkInterrupted) {
        (void)closePair(pair);
        pair.interrupted = true;
        return pairGoesOn;
    }
    if (result == CodeNEC)
        pair.firstDifference = std::min(fileSize(source), fileSize(destination)) -
                               pair.commonRemaining + chunk.difference;
    *read += chunk.read;
    if (result != 0) {
        // The failed pair still accounts for its whole source size.
        *compared += pair.sourceRemaining;
        // A difference or a failed read stands, whatever closing the files says.
        const Fault failure = pair.fault;
        (void)closePair(pair);
        pair.fault = failure;
        return result;
    }
    pair.commonRemaining -= length;
    pair.sourceRemaining -= length;
    *compared += length;
    if (pair.commonRemaining != 0) return pairGoesOn;
    const int closed = closePair(pair);
    const ResultCode code = classifyCompletePair(source, destination, pair.timeWindow);
    // What was read may not be what the files hold: a difference found stands, no clean result.
    return closed != 0 && severityOf(code) < Error ? closed : code;
}

bool openMayWorkAlone(DWORD error) {
    return error == ERROR_TOO_MANY_OPEN_FILES || error == ERROR_SHARING_VIOLATION;
}

int closePair(PairComparison& pair) {
    if (pair.sourceHandle == nullptr) return 0;
    int failed = 0;
    if (CloseHandle(pair.sourceHandle) == 0) {
        failed = CodeSRE;
        pair.fault = lastFault();
    }
    if (CloseHandle(pair.destinationHandle) == 0 && failed == 0) {
        failed = CodeDRE;
        pair.fault = lastFault();
    }
    pair.sourceHandle = nullptr;
    pair.destinationHandle = nullptr;
    pair.sourceRemaining = 0;
    pair.commonRemaining = 0;
    return failed;
}
