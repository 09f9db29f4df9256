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

// What one side's read of a chunk answered.
struct SideRead {
    bool succeeded;
    DWORD got;
    Fault failure;  // when it failed
};

// Judges a chunk of length bytes from what both reads answered into the pair's buffers. Where
// both files were to end with the chunk, each side was asked for a byte more: CodeSID when the
// source gave it, else CodeDIS when the destination did.
ChunkResult judgeChunk(PairComparison& pair, std::uint32_t length, const SideRead& source,
                       const SideRead& destination) {
    constexpr std::uint32_t unit = chunkSize;
    if (source.failure.cause == FaultCause::Interrupted || destination.failure.cause == FaultCause::Interrupted)
        return {chunkInterrupted, 0, 0, noFault};
    const std::uint32_t sourceUnits = unitsDelivered(source.succeeded, source.got, length);
    const std::uint32_t destinationUnits = unitsDelivered(destination.succeeded, destination.got, length);
    ChunkResult result{0, 0, length, noFault};
    if (sourceUnits == allUnits && destinationUnits == allUnits) {
        if (differ(pair.sourceBuffer, pair.destinationBuffer, length, &result.difference)) {
            result.code = CodeNEC;
            result.read = std::min(length, (result.difference / unit + 1) * unit);
        } else if (source.got > length) {
            result.code = CodeSID;
        } else if (destination.got > length) {
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
    result.fault = result.code == CodeSRE ? readFault(source.succeeded, source.failure)
                                          : readFault(destination.succeeded, destination.failure);
    result.read = whole;
    return result;
}

// Reads one side's chunk; a read that fails is not the end of the file, whatever it delivered.
SideRead readSide(HANDLE file, unsigned char* buffer, std::uint32_t asked) {
    SideRead side{false, 0, noFault};
    side.succeeded = ReadFile(file, buffer, asked, &side.got, nullptr) != 0;
    if (!side.succeeded) side.failure = lastFault();
    return side;
}

// Both sides' chunk read at once where this thread reads batches, so that a slow disk serves them
// together; false where it does not (the caller reads them one after the other).
bool readSidesAtOnce(PairComparison& pair, std::uint32_t asked, SideRead* source, SideRead* destination) {
    ChunkRead reads[chunkReadsMost] = {
        {pair.sourceHandle, pair.sourceBuffer, asked, 0, 0, 0, false},
        {pair.destinationHandle, pair.destinationBuffer, asked, 0, 0, 0, false}};
    if (readChunksAtOnce(reads, chunkReadsMost) != 0) return false;
    const auto sideOf = [&](const ChunkRead& read) {
        if (read.readPlainly) return readSide(read.file, read.buffer, asked);
        return SideRead{read.error == 0, read.got, read.error == 0 ? noFault : faultOf(read.error, read.systemError)};
    };
    *source = sideOf(reads[0]);
    *destination = sideOf(reads[1]);
    return true;
}

// The bytes each side is asked for in a chunk of length bytes: one more when both files were listed
// with this size and end with this chunk, as a file that grew after it was listed has bytes nobody
// compared.
bool chunkEndsBoth(const PairComparison& pair, std::uint32_t length, const FindRecord& source,
                   const FindRecord& destination) {
    return length == pair.commonRemaining && fileSize(source) == fileSize(destination);
}

// Counts a judged chunk into the pair and ends the pair where the chunk does: pairGoesOn while it
// goes on, else its code with both files closed by close (which answers as closePair does).
template <typename Close>
int concludeChunk(PairComparison& pair, const ChunkResult& chunk, std::uint32_t length,
                  const FindRecord& source, const FindRecord& destination, std::uint64_t* compared,
                  std::uint64_t* read, Close close) {
    const int result = chunk.code;
    pair.fault = chunk.fault;
    if (result == chunkInterrupted) {
        (void)close(pair);
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
        (void)close(pair);
        pair.fault = failure;
        return result;
    }
    pair.commonRemaining -= length;
    pair.sourceRemaining -= length;
    *compared += length;
    if (pair.commonRemaining != 0) return pairGoesOn;
    const int closed = close(pair);
    const ResultCode code = classifyCompletePair(source, destination, pair.timeWindow);
    // What was read may not be what the files hold: a difference found stands, no clean result.
    return closed != 0 && severityOf(code) < Error ? closed : code;
}

// Readies the pair's remaining counts once both files are open.
void startPair(PairComparison& pair, const FindRecord& source, const FindRecord& destination) {
    pair.interrupted = false;
    pair.commonRemaining = std::min(fileSize(source), fileSize(destination));
    pair.sourceRemaining = fileSize(source);
}

// Why a file did not open: never opened at all when the listing found no plain file there.
Fault openFault(const FindRecord& listed, const Fault& failure) {
    if ((listed.attributes & FILE_ATTRIBUTE_DEVICE) != 0) return {FaultCause::NotAFile, 0};
    return failure;
}

}  // namespace

int openPair(PairComparison& pair, const char* sourcePath, const char* destinationPath,
                    const FindRecord& source, const FindRecord& destination) {
    QUENDLE_EXPECT(pair.sourceHandle == nullptr, "a pair is opened while its comparison is still open");
    const HANDLE sourceFile = openForCompare(sourcePath, source);
    if (sourceFile == INVALID_HANDLE_VALUE) {
        pair.fault = openFault(source, lastFault());
        return CodeSOE;
    }
    const HANDLE destinationFile = openForCompare(destinationPath, destination);
    if (destinationFile == INVALID_HANDLE_VALUE) {
        pair.fault = openFault(destination, lastFault());
        // The caller asks the last error whether the open is worth trying again alone.
        const DWORD error = GetLastError();
        (void)CloseHandle(sourceFile);
        SetLastError(error);
        return CodeDOE;
    }
    pair.sourceHandle = sourceFile;
    pair.destinationHandle = destinationFile;
    startPair(pair, source, destination);
    return pairGoesOn;
}

int movePairTo(PairComparison& pair, std::uint64_t offset) {
    QUENDLE_EXPECT(offset % chunkSize == 0 && offset <= pair.commonRemaining,
                   "a pair is moved to a dialog chunk's start within both files");
    LARGE_INTEGER to;
    to.QuadPart = static_cast<std::int64_t>(offset);
    const bool sourceMoved = SetFilePointerEx(pair.sourceHandle, to, nullptr, FILE_BEGIN) != 0;
    const Fault failure = sourceMoved ? noFault : lastFault();
    if (!sourceMoved || SetFilePointerEx(pair.destinationHandle, to, nullptr, FILE_BEGIN) == 0) {
        const Fault fault = sourceMoved ? lastFault() : failure;
        (void)closePair(pair);
        pair.fault = fault;
        return sourceMoved ? CodeDRE : CodeSRE;
    }
    pair.commonRemaining -= offset;
    pair.sourceRemaining -= offset;
    return pairGoesOn;
}

int comparePairChunk(PairComparison& pair, const FindRecord& source,
                            const FindRecord& destination, std::uint64_t* compared,
                            std::uint64_t* read) {
    QUENDLE_EXPECT(pair.chunk > 0, "a comparison is given its buffers before its first chunk");
    const std::uint32_t length = pair.commonRemaining >= pair.chunk
        ? pair.chunk
        : static_cast<std::uint32_t>(pair.commonRemaining);
    const std::uint32_t asked = length + (chunkEndsBoth(pair, length, source, destination) ? 1 : 0);
    SideRead sourceRead;
    SideRead destinationRead;
    if (!readSidesAtOnce(pair, asked, &sourceRead, &destinationRead)) {
        sourceRead = readSide(pair.sourceHandle, pair.sourceBuffer, asked);
        destinationRead = readSide(pair.destinationHandle, pair.destinationBuffer, asked);
    }
    const ChunkResult chunk = judgeChunk(pair, length, sourceRead, destinationRead);
    return concludeChunk(pair, chunk, length, source, destination, compared, read,
                         [](PairComparison& open) { return closePair(open); });
}

std::uint32_t wholePairAsk(const FindRecord& source, const FindRecord& destination) {
    const std::uint64_t common = std::min(fileSize(source), fileSize(destination));
    if (!listedAsPlainFile(source) || !listedAsPlainFile(destination) || common >= wholePairMost)
        return noWholeAsk;
    return static_cast<std::uint32_t>(common) + (fileSize(source) == fileSize(destination) ? 1 : 0);
}

int judgeWholePair(PairComparison& pair, const FindRecord& source, const FindRecord& destination,
                   const WholeFileRead& sourceRead, const WholeFileRead& destinationRead,
                   std::uint64_t* compared, std::uint64_t* read) {
    if (sourceRead.openError != 0) {
        pair.fault = openFault(source, faultOf(sourceRead.openError, sourceRead.openSystemError));
        return CodeSOE;
    }
    if (destinationRead.openError != 0) {
        pair.fault = openFault(destination, faultOf(destinationRead.openError, destinationRead.openSystemError));
        return CodeDOE;
    }
    startPair(pair, source, destination);
    const auto sideOf = [](const WholeFileRead& file) {
        return SideRead{file.readError == 0, file.got,
                        file.readError == 0 ? noFault : faultOf(file.readError, file.readSystemError)};
    };
    const std::uint32_t length = static_cast<std::uint32_t>(pair.commonRemaining);
    const ChunkResult chunk = judgeChunk(pair, length, sideOf(sourceRead), sideOf(destinationRead));
    // The batch closed both files already; what closing answered is told as closePair tells it.
    const auto closed = [&](PairComparison& done) {
        const WholeFileRead* failed = sourceRead.closeError != 0        ? &sourceRead
                                      : destinationRead.closeError != 0 ? &destinationRead
                                                                        : nullptr;
        done.sourceRemaining = 0;
        done.commonRemaining = 0;
        if (failed == nullptr) return 0;
        done.fault = faultOf(failed->closeError, failed->closeSystemError);
        return failed == &sourceRead ? static_cast<int>(CodeSRE) : static_cast<int>(CodeDRE);
    };
    return concludeChunk(pair, chunk, length, source, destination, compared, read, closed);
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
