#include "enumeration.h"

#include "qdl_core.h"

#include <cstring>

namespace {

char destinationPathBuffer[pathRoom];

// The marker's source name is "."; nothing else in it is read.
const FindRecord markerSource = [] {
    FindRecord record{};
    record.name[0] = '.';
    return record;
}();
const FindRecord noRecord{};

bool isSkipped(const FindRecord& entry, DWORD skippedBits) {
    return entry.name[0] == '.' || (entry.attributes & skippedBits) != 0;
}

}  // namespace

const char* buildDestinationPath(const QdlCore& job, const char* name) {
    const int prefix = job.destinationPrefixLength;
    std::memcpy(destinationPathBuffer, job.workDestination, static_cast<std::size_t>(prefix));
    appendCut(destinationPathBuffer, prefix, name, pathLimit);
    return destinationPathBuffer;
}

void enumerateFolder(QdlCore& job) {
    FindRecord entry;
    const HANDLE search = findFirst(job.workSource, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (isSkipped(entry, skippedAttributes | FILE_ATTRIBUTE_DIRECTORY)) continue;
        FindRecord destination{};
        if (lookUp(buildDestinationPath(job, entry.name), &destination))
            job.totalBytes += fileSize(entry);
        job.pairs.addPair(entry, destination);
    } while (findNext(search, &entry));
    findClose(search);
}

void enumerateTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
                   const char* pattern) {
    // After findFirst the search path is free: it is reused for the child's source folder.
    char searchPath[pathRoom];
    char destinationPath[pathRoom];
    const int sourceLength = appendCut(searchPath, 0, sourceFolder, pathLimit);
    appendCut(searchPath, sourceLength, pattern, pathLimit);
    const int destinationLength = appendCut(destinationPath, 0, destinationFolder, pathLimit);

    FindRecord entry;
    const HANDLE search = findFirst(searchPath, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        job.pairs.addPair(markerSource, noRecord);
        return;
    }
    do {
        if (isSkipped(entry, skippedAttributes)) continue;
        appendCut(destinationPath, destinationLength, entry.name, pathLimit);
        FindRecord destination{};
        const bool found = lookUp(destinationPath, &destination);
        if (found && !isDirectory(entry)) job.totalBytes += fileSize(entry);
        job.pairs.addPair(entry, destination);
        if (found && isDirectory(entry)) {
            const int childSource = appendCut(searchPath, sourceLength, entry.name, pathLimit - 1);
            appendCut(searchPath, childSource, "\\", pathLimit);
            const int childDestination =
                appendCut(destinationPath, destinationLength, entry.name, pathLimit - 1);
            appendCut(destinationPath, childDestination, "\\", pathLimit);
            enumerateTree(job, searchPath, destinationPath, pattern);
        }
    } while (findNext(search, &entry));
    job.pairs.addPair(markerSource, noRecord);
    findClose(search);
}
