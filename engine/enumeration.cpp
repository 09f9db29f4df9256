#include "enumeration.h"

#include "extra_entries.h"
#include "folder_identity.h"
#include "qdl_core.h"

#include <cstring>

namespace {

char destinationPathBuffer[pathRoom];

const FindRecord noRecord{};
// The directory exit marker: an empty source name; nothing else in it is read.
const FindRecord& exitMarker = noRecord;
// The folder a listing starts from, when it cannot be listed: its line names it ".".
const FindRecord folderItself = [] {
    FindRecord record{};
    record.attributes = FILE_ATTRIBUTE_DIRECTORY;
    record.name[0] = '.';
    return record;
}();

// "." and "..", and entries the mode does not record; temporary entries are counted.
bool passedOver(QdlCore& job, const FindRecord& entry, DWORD notRecorded) {
    if (isDotEntry(entry.name)) return true;
    if ((entry.attributes & skippedAttributes) != 0) {
        ++job.temporaryPassedOver;
        return true;
    }
    return (entry.attributes & notRecorded) != 0;
}

// What planning has recorded at one moment, to go back to when a listing fails.
struct PlanMark {
    ListMark list;
    std::uint64_t totalBytes;
    std::int32_t temporaryPassedOver;
};

PlanMark markPlan(const QdlCore& job) {
    return {job.pairs.mark(), job.totalBytes, job.temporaryPassedOver};
}

void cutBackTo(QdlCore& job, const PlanMark& mark) {
    job.pairs.cutBack(mark.list);
    job.totalBytes = mark.totalBytes;
    job.temporaryPassedOver = mark.temporaryPassedOver;
}

// A name no Windows path can carry: a backslash would split it, "*" or "?" would match other
// entries. Such an entry is reported, but never looked up, opened or entered.
bool unnameable(const char* name) {
    return std::strpbrk(name, "\\*?") != nullptr;
}

// Looks the destination of an entry up. Pending with the record found, or with an empty name
// when nothing is there; PendingDestinationError when the destination could not be reached, or
// when the path the stepper builds from the name found (behind split, plus a backslash for a
// folder) would not fit.
ResultCode lookUpDestination(const char* path, int split, int backslash, FindRecord* destination,
                             const FindRecord* listed = nullptr) {
    // The destination's own listing, when it is walked beside the source, has the record already.
    Presence presence = Presence::Found;
    if (listed != nullptr)
        *destination = *listed;
    else
        presence = lookUp(path, destination);
    switch (presence) {
    case Presence::Missing:
        destination->name[0] = '\0';
        return Pending;
    case Presence::Unreachable:
        return PendingDestinationError;
    case Presence::Found:
        break;
    }
    return fitsBehind(split, destination->name, backslash) ? Pending : PendingDestinationError;
}

// A listing that fails for want of memory leaves the list short, as a lost pair does.
void listingFailed(QdlCore& job, DWORD failure) {
    if (failure == ERROR_NOT_ENOUGH_MEMORY) ++job.pairs.lostPairs;
}

// The folders above the one being listed: a link back to one of them is not entered again.
struct Ancestor {
    FolderIdentity identity;
    const Ancestor* above;
};

bool isAncestor(const FolderIdentity& folder, const Ancestor* chain) {
    for (; chain != nullptr; chain = chain->above)
        if (sameFolder(folder, chain->identity)) return true;
    return false;
}

// One folder being listed in tree mode.
struct TreeFolder {
    // The folder and the pattern; after the search has started, each child folder's text.
    char searchPath[pathRoom];
    // The destination folder, then each entry's name behind it.
    char destinationPath[pathRoom];
    int sourceLength;
    int destinationLength;
    int destinationSplit;  // where the stepper puts a destination name: after the last backslash
    const char* pattern;
    const Ancestor* self;  // this folder, at the head of the chain of those above it
};

// How listing a folder ended.
constexpr int listedInFull = 0;
constexpr int sourceUnlisted = 1;
constexpr int destinationUnlisted = 2;  // only when extras are asked for

// The verdict of a folder whose listing failed.
ResultCode unlistedVerdict(int listed) {
    return listed == sourceUnlisted ? PendingSourceError : PendingDestinationError;
}

int listTreeFolder(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
                   const char* pattern, const Ancestor* self);

void enterFolder(QdlCore& job, TreeFolder& folder, const FindRecord& entry,
                 const FindRecord& destination) {
    const int childSource = appendCut(folder.searchPath, folder.sourceLength, entry.name, pathLimit);
    appendCut(folder.searchPath, childSource, "\\", pathLimit);
    const int childDestination =
        appendCut(folder.destinationPath, folder.destinationLength, entry.name, pathLimit);
    appendCut(folder.destinationPath, childDestination, "\\", pathLimit);
    Ancestor child{{}, folder.self};
    if (identifyFolder(folder.searchPath, &child.identity) != 0 ||
        isAncestor(child.identity, folder.self)) {
        job.pairs.addPair(entry, destination, PendingSourceError);
        return;
    }
    const PlanMark mark = markPlan(job);
    job.pairs.addPair(entry, destination);
    const int listed =
        listTreeFolder(job, folder.searchPath, folder.destinationPath, folder.pattern, &child);
    if (listed == listedInFull) return;
    // Nothing of a folder that could not be listed to its end is kept: the folder gets a result.
    cutBackTo(job, mark);
    job.pairs.addPair(entry, destination, unlistedVerdict(listed));
}

// Records one entry, with its destination record as listed when there is one.
void recordTreeEntry(QdlCore& job, TreeFolder& folder, const FindRecord& entry,
                     const FindRecord* listed) {
    const int backslash = isDirectory(entry) ? 1 : 0;
    // A folder's own search path is its text and the pattern.
    const int sourceRoom = backslash != 0 ? 1 + static_cast<int>(std::strlen(folder.pattern)) : 0;
    if (unnameable(entry.name) || !fitsBehind(folder.sourceLength, entry.name, sourceRoom)) {
        job.pairs.addPair(entry, noRecord, PendingSourceError);
        return;
    }
    if (!fitsBehind(folder.destinationLength, entry.name, backslash)) {
        job.pairs.addPair(entry, noRecord, PendingDestinationError);
        return;
    }
    appendCut(folder.destinationPath, folder.destinationLength, entry.name, pathLimit);
    FindRecord destination{};
    const ResultCode pending = lookUpDestination(folder.destinationPath, folder.destinationSplit,
                                                 backslash, &destination, listed);
    if (pending != Pending || destination.name[0] == '\0') {
        job.pairs.addPair(entry, destination, pending);
    } else if (backslash != 0 && !isDirectory(destination)) {
        // A file, FIFO or link where the folder's copy should be: nothing inside it has a copy.
        job.pairs.addPair(entry, destination, PendingDestinationError);
    } else if (backslash != 0) {
        enterFolder(job, folder, entry, destination);
    } else {
        job.totalBytes += fileSize(entry);
        job.pairs.addPair(entry, destination);
    }
}

// Lists a source folder by its search path, the destination walked beside it when extras are
// asked for, and hands each entry the mode records to record, with its destination record when
// the walk has it: listedInFull, or sourceUnlisted or destinationUnlisted when a listing failed.
template <typename Record>
int listBeside(QdlCore& job, const char* searchPath, DWORD notRecorded, DestinationWalk& extras,
               Record record) {
    FolderListing listing;
    bool destinationFailed = false;
    for (bool more = firstEntry(searchPath, &listing); more; more = nextEntry(&listing)) {
        const FindRecord& entry = listing.entry;
        FindRecord listed;
        const bool same = listingOpen(extras.listing) &&
                          walkTo(job, extras, entry.name, &listed, &destinationFailed);
        if (!passedOver(job, entry, notRecorded)) record(entry, same ? &listed : nullptr);
    }
    if (listing.failure == 0 && finishDestinationWalk(job, extras) != 0) destinationFailed = true;
    endDestinationWalk(extras);
    if (listing.failure != 0) {
        listingFailed(job, listing.failure);
        return sourceUnlisted;
    }
    return destinationFailed ? destinationUnlisted : listedInFull;
}

// Starts the walk of the destination folder beside the source one when extras are asked for:
// 0, or 1 when it could not be listed.
int walkDestinationBeside(QdlCore& job, const TreeFolder& folder, char* sourcePath,
                          DestinationWalk* walk) {
    *walk = noDestinationWalk(sourcePath, folder.sourceLength);
    // A destination folder text without its backslash (a specification without a wildcard) has
    // names put right behind it: its listing holds none of them.
    const bool aFolder = folder.destinationLength > 0 &&
                         folder.destinationPath[folder.destinationLength - 1] == '\\';
    if (!job.listExtras || !aFolder) return 0;
    char search[pathRoom];
    std::memcpy(search, folder.destinationPath, static_cast<std::size_t>(folder.destinationLength));
    if (!fitsBehind(folder.destinationLength, folder.pattern)) return 1;
    appendCut(search, folder.destinationLength, folder.pattern, pathLimit);
    return startDestinationWalk(search, true, sourcePath, folder.sourceLength, walk);
}

// listedInFull when the folder was listed to its end (also when nothing matched), with its
// marker; sourceUnlisted or destinationUnlisted when a listing failed, with the list as the folder
// left it.
int listTreeFolder(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
                   const char* pattern, const Ancestor* self) {
    TreeFolder folder;
    folder.sourceLength = appendCut(folder.searchPath, 0, sourceFolder, pathLimit);
    appendCut(folder.searchPath, folder.sourceLength, pattern, pathLimit);
    folder.destinationLength = appendCut(folder.destinationPath, 0, destinationFolder, pathLimit);
    folder.destinationSplit = lastBackslashBeforeWildcard(folder.destinationPath, pathRoom) + 1;
    folder.pattern = pattern;
    folder.self = self;
    // The source folder again, for looking up the names only the destination seems to hold.
    char sourcePath[pathRoom];
    appendCut(sourcePath, 0, sourceFolder, pathLimit);
    DestinationWalk extras;
    if (walkDestinationBeside(job, folder, sourcePath, &extras) != 0) {
        listingFailed(job, extras.listing.failure);
        return destinationUnlisted;
    }

    const int listed = listBeside(job, folder.searchPath, 0, extras,
                                  [&](const FindRecord& entry, const FindRecord* destination) {
                                      recordTreeEntry(job, folder, entry, destination);
                                  });
    if (listed != listedInFull) return listed;
    job.pairs.addPair(exitMarker, noRecord);
    return listedInFull;
}

// One entry of folder-pattern mode, looked up in the destination folder unless its record there
// was listed.
void recordFolderEntry(QdlCore& job, const FindRecord& entry, int sourceFolderLength,
                       const FindRecord* listed) {
    FindRecord destination{};
    ResultCode pending = PendingSourceError;
    if (!unnameable(entry.name) && fitsBehind(sourceFolderLength, entry.name)) {
        const char* path = buildDestinationPath(job, entry.name);
        pending = path == nullptr
            ? PendingDestinationError
            : lookUpDestination(path, job.destinationPrefixLength, 0, &destination, listed);
    }
    if (pending == Pending && destination.name[0] != '\0') job.totalBytes += fileSize(entry);
    job.pairs.addPair(entry, destination, pending);
}

}  // namespace

const char* buildDestinationPath(const QdlCore& job, const char* name) {
    const int prefix = job.destinationPrefixLength;
    if (!fitsBehind(prefix, name)) return nullptr;
    std::memcpy(destinationPathBuffer, job.workDestination, static_cast<std::size_t>(prefix));
    appendCut(destinationPathBuffer, prefix, name, pathLimit);
    return destinationPathBuffer;
}

void enumerateFolder(QdlCore& job) {
    // The stepper puts each name behind the source folder, up to its last backslash.
    const int sourceFolderLength = lastBackslashBeforeWildcard(job.workSource, pathRoom) + 1;
    const PlanMark mark = markPlan(job);
    char sourcePath[pathRoom];
    appendCut(sourcePath, 0, job.workSource, sourceFolderLength);
    // With extras: the destination folder's files that the source pattern matches, walked beside.
    DestinationWalk extras = noDestinationWalk(sourcePath, sourceFolderLength);
    const char* destinationSearch = buildDestinationPath(job, job.workSource + sourceFolderLength);
    if (job.listExtras && (destinationSearch == nullptr ||
                           startDestinationWalk(destinationSearch, false, sourcePath,
                                                sourceFolderLength, &extras) != 0)) {
        job.pairs.addPair(folderItself, noRecord, PendingDestinationError);
        return;
    }

    const int listed = listBeside(job, job.workSource, FILE_ATTRIBUTE_DIRECTORY, extras,
                                  [&](const FindRecord& entry, const FindRecord* destination) {
                                      recordFolderEntry(job, entry, sourceFolderLength, destination);
                                  });
    if (listed == listedInFull) return;
    // A folder that cannot be listed to its end is one fatal error, not a pattern that matched less.
    cutBackTo(job, mark);
    job.pairs.addPair(folderItself, noRecord, unlistedVerdict(listed));
}

void enumerateTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
                   const char* pattern) {
    Ancestor start{{}, nullptr};
    const PlanMark mark = markPlan(job);
    // A folder that cannot be identified cannot be shown not to loop, as below.
    const int listed = identifyFolder(sourceFolder, &start.identity) != 0
        ? sourceUnlisted
        : listTreeFolder(job, sourceFolder, destinationFolder, pattern, &start);
    if (listed == listedInFull) return;
    // The starting folder has no pair of its own: its line names it, and its marker still ends it.
    cutBackTo(job, mark);
    job.pairs.addPair(folderItself, noRecord, unlistedVerdict(listed));
    job.pairs.addPair(exitMarker, noRecord);
}
