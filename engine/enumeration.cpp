#include "enumeration.h"

#include "extra_entries.h"
#include "folder_identity.h"
#include "qdl_core.h"

#include <cstring>
#include <new>

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

// The totals a folder's listing adds to, to go back to when it fails.
struct PlanTotals {
    std::uint64_t totalBytes;
    std::int32_t temporaryPassedOver;
};

PlanTotals totalsOf(const QdlCore& job) {
    return {job.totalBytes, job.temporaryPassedOver};
}

void restoreTotals(QdlCore& job, const PlanTotals& totals) {
    job.totalBytes = totals.totalBytes;
    job.temporaryPassedOver = totals.temporaryPassedOver;
}

// Appends the pairs of a folder listed in full to the job's list, in their order.
void recordListed(QdlCore& job, FileInfList& listed) {
    FindRecord source;
    FindRecord destination;
    ResultCode pending;
    while (listed.nextPair(&source, &destination, &pending) == 0)
        job.pairs.addPair(source, destination, pending);
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

// The texts of one folder listed in tree mode.
struct TreeFolder {
    // The folder and the pattern.
    char searchPath[pathRoom];
    // The destination folder, then each entry's name behind it.
    char destinationPath[pathRoom];
    int sourceLength;
    int destinationLength;
    int destinationSplit;  // where the stepper puts a destination name: after the last backslash
    const char* pattern;
};

// How listing a folder ended.
constexpr int listedInFull = 0;
constexpr int sourceUnlisted = 1;
constexpr int destinationUnlisted = 2;  // only when extras are asked for

// The verdict of a folder whose listing failed.
ResultCode unlistedVerdict(int listed) {
    return listed == sourceUnlisted ? PendingSourceError : PendingDestinationError;
}

}  // namespace

// One folder of the tree listed in full, its entries recorded as they come due.
struct TreeLevel {
    TreeFolder folder;
    Ancestor self;  // this folder, at the head of the chain of those above it
    FileInfList entries;
    TreeLevel* above;
};

namespace {

// Records one entry in the folder's own list, with its destination record as listed when there is
// one; a folder with a folder as its copy is entered when it comes due.
void recordTreeEntry(QdlCore& job, TreeLevel& level, const FindRecord& entry,
                     const FindRecord* listed) {
    TreeFolder& folder = level.folder;
    FileInfList& entries = level.entries;
    const int backslash = isDirectory(entry) ? 1 : 0;
    // A folder's own search path is its text and the pattern.
    const int sourceRoom = backslash != 0 ? 1 + static_cast<int>(std::strlen(folder.pattern)) : 0;
    if (unnameable(entry.name) || !fitsBehind(folder.sourceLength, entry.name, sourceRoom)) {
        entries.addPair(entry, noRecord, PendingSourceError);
        return;
    }
    if (!fitsBehind(folder.destinationLength, entry.name, backslash)) {
        entries.addPair(entry, noRecord, PendingDestinationError);
        return;
    }
    appendCut(folder.destinationPath, folder.destinationLength, entry.name, pathLimit);
    FindRecord destination{};
    const ResultCode pending = lookUpDestination(folder.destinationPath, folder.destinationSplit,
                                                 backslash, &destination, listed);
    if (pending != Pending || destination.name[0] == '\0') {
        entries.addPair(entry, destination, pending);
    } else if (backslash != 0 && !isDirectory(destination)) {
        // A file, FIFO or link where the folder's copy should be: nothing inside it has a copy.
        entries.addPair(entry, destination, PendingDestinationError);
    } else {
        if (backslash == 0) job.totalBytes += fileSize(entry);
        entries.addPair(entry, destination);
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
                          walkTo(extras, entry.name, &listed, &destinationFailed);
        if (!passedOver(job, entry, notRecorded)) record(entry, same ? &listed : nullptr);
    }
    if (listing.failure == 0 && finishDestinationWalk(extras) != 0) destinationFailed = true;
    endDestinationWalk(extras);
    if (listing.failure != 0) {
        listingFailed(job, listing.failure);
        return sourceUnlisted;
    }
    return destinationFailed ? destinationUnlisted : listedInFull;
}

// Starts the walk of the destination folder beside the source one when extras are asked for:
// 0, or 1 when it could not be listed.
int walkDestinationBeside(QdlCore& job, TreeLevel& level, char* sourcePath, DestinationWalk* walk) {
    const TreeFolder& folder = level.folder;
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
    return startDestinationWalk(search, true, sourcePath, folder.sourceLength, level.entries, walk);
}

// Lists one folder into its level: listedInFull (also when nothing matched), or sourceUnlisted or
// destinationUnlisted when a listing failed, with the job's totals as they were before it.
int listTreeFolder(QdlCore& job, TreeLevel& level, const char* sourceFolder,
                   const char* destinationFolder, const char* pattern) {
    TreeFolder& folder = level.folder;
    folder.sourceLength = appendCut(folder.searchPath, 0, sourceFolder, pathLimit);
    appendCut(folder.searchPath, folder.sourceLength, pattern, pathLimit);
    folder.destinationLength = appendCut(folder.destinationPath, 0, destinationFolder, pathLimit);
    folder.destinationSplit = lastBackslashBeforeWildcard(folder.destinationPath, pathRoom) + 1;
    folder.pattern = pattern;
    const PlanTotals totals = totalsOf(job);
    // The source folder again, for looking up the names only the destination seems to hold.
    char sourcePath[pathRoom];
    appendCut(sourcePath, 0, sourceFolder, pathLimit);
    DestinationWalk extras;
    int listed = destinationUnlisted;
    if (walkDestinationBeside(job, level, sourcePath, &extras) != 0)
        listingFailed(job, extras.listing.failure);
    else
        listed = listBeside(job, folder.searchPath, 0, extras,
                            [&](const FindRecord& entry, const FindRecord* destination) {
                                recordTreeEntry(job, level, entry, destination);
                            });
    // Pairs the folder's list could not hold leave the job's list short.
    job.pairs.lostPairs += level.entries.lostPairs;
    if (listed != listedInFull) restoreTotals(job, totals);
    return listed;
}

void dropLevel(TreeLevel* level) {
    level->entries.destroy();
    delete level;
}

// A new level for a folder, its identity read: 0, or 1 with the verdict to record instead.
int listLevel(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
              const Ancestor* above, TreeLevel** made, ResultCode* verdict) {
    *verdict = PendingSourceError;
    auto* level = new (std::nothrow) TreeLevel;
    if (level == nullptr) {
        ++job.pairs.lostPairs;
        return 1;
    }
    level->self.above = above;
    // A folder that cannot be identified cannot be shown not to loop.
    const int listed = identifyFolder(sourceFolder, &level->self.identity) != 0 ||
                               isAncestor(level->self.identity, above)
        ? sourceUnlisted
        : listTreeFolder(job, *level, sourceFolder, destinationFolder, job.treePattern);
    if (listed != listedInFull) {
        *verdict = unlistedVerdict(listed);
        dropLevel(level);
        return 1;
    }
    level->above = job.treeLevels;
    *made = level;
    return 0;
}

// A folder entry come due: listed, then recorded and entered, or recorded with its verdict.
void enterFolder(QdlCore& job, const TreeLevel& level, const FindRecord& entry,
                 const FindRecord& destination) {
    char sourceFolder[pathRoom];
    char destinationFolder[pathRoom];
    std::memcpy(sourceFolder, level.folder.searchPath, static_cast<std::size_t>(level.folder.sourceLength));
    appendCut(sourceFolder, appendCut(sourceFolder, level.folder.sourceLength, entry.name, pathLimit),
              "\\", pathLimit);
    std::memcpy(destinationFolder, level.folder.destinationPath,
                static_cast<std::size_t>(level.folder.destinationLength));
    appendCut(destinationFolder,
              appendCut(destinationFolder, level.folder.destinationLength, entry.name, pathLimit),
              "\\", pathLimit);
    TreeLevel* child = nullptr;
    ResultCode verdict;
    if (listLevel(job, sourceFolder, destinationFolder, &level.self, &child, &verdict) != 0) {
        job.pairs.addPair(entry, destination, verdict);
        return;
    }
    job.pairs.addPair(entry, destination);
    job.treeLevels = child;
}

// One entry of folder-pattern mode, looked up in the destination folder unless its record there
// was listed.
void recordFolderEntry(QdlCore& job, FileInfList& matched, const FindRecord& entry,
                       int sourceFolderLength, const FindRecord* listed) {
    FindRecord destination{};
    ResultCode pending = PendingSourceError;
    if (!unnameable(entry.name) && fitsBehind(sourceFolderLength, entry.name)) {
        const char* path = buildDestinationPath(job, entry.name);
        pending = path == nullptr
            ? PendingDestinationError
            : lookUpDestination(path, job.destinationPrefixLength, 0, &destination, listed);
    }
    if (pending == Pending && destination.name[0] != '\0') job.totalBytes += fileSize(entry);
    matched.addPair(entry, destination, pending);
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
    char sourcePath[pathRoom];
    appendCut(sourcePath, 0, job.workSource, sourceFolderLength);
    FileInfList matched;
    // With extras: the destination folder's files that the source pattern matches, walked beside.
    DestinationWalk extras = noDestinationWalk(sourcePath, sourceFolderLength);
    const char* destinationSearch = buildDestinationPath(job, job.workSource + sourceFolderLength);
    if (job.listExtras && (destinationSearch == nullptr ||
                           startDestinationWalk(destinationSearch, false, sourcePath,
                                                sourceFolderLength, matched, &extras) != 0)) {
        job.pairs.addPair(folderItself, noRecord, PendingDestinationError);
        return;
    }

    const PlanTotals totals = totalsOf(job);
    const int listed = listBeside(job, job.workSource, FILE_ATTRIBUTE_DIRECTORY, extras,
                                  [&](const FindRecord& entry, const FindRecord* destination) {
                                      recordFolderEntry(job, matched, entry, sourceFolderLength,
                                                        destination);
                                  });
    job.pairs.lostPairs += matched.lostPairs;
    if (listed == listedInFull) {
        recordListed(job, matched);
    } else {
        // A folder that cannot be listed to its end is one fatal error, not a pattern that matched
        // less.
        restoreTotals(job, totals);
        job.pairs.addPair(folderItself, noRecord, unlistedVerdict(listed));
    }
    matched.destroy();
}

void startTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
               const char* pattern) {
    job.treePattern = pattern;
    TreeLevel* start = nullptr;
    ResultCode verdict;
    if (listLevel(job, sourceFolder, destinationFolder, nullptr, &start, &verdict) == 0) {
        job.treeLevels = start;
        return;
    }
    // The starting folder has no pair of its own: its line names it, and its marker still ends it.
    job.pairs.addPair(folderItself, noRecord, verdict);
    job.pairs.addPair(exitMarker, noRecord);
}

int planTreeMore(QdlCore& job) {
    TreeLevel* const level = job.treeLevels;
    if (level == nullptr) return 1;
    FindRecord entry;
    FindRecord destination;
    ResultCode pending;
    if (level->entries.nextPair(&entry, &destination, &pending) != 0) {
        job.pairs.addPair(exitMarker, noRecord);
        job.treeLevels = level->above;
        dropLevel(level);
    } else if (pending == Pending && isDirectory(entry) && destination.name[0] != '\0') {
        enterFolder(job, *level, entry, destination);
    } else {
        job.pairs.addPair(entry, destination, pending);
    }
    return 0;
}

namespace {

bool holdsNoSourceEntry(const FileInfList& list) {
    FindRecord source;
    FindRecord destination;
    ResultCode code;
    ListCursor at = list.start();
    while (list.pairAt(&at, &source, &destination, &code) == 0)
        if (!isExitMarker(source) && code != PendingExtra) return false;
    return true;
}

}  // namespace

bool recordsNoSourceEntry(const QdlCore& job) {
    for (const TreeLevel* level = job.treeLevels; level != nullptr; level = level->above)
        if (!holdsNoSourceEntry(level->entries)) return false;
    return holdsNoSourceEntry(job.pairs);
}

void endTree(QdlCore& job) {
    while (TreeLevel* level = job.treeLevels) {
        job.treeLevels = level->above;
        dropLevel(level);
    }
}
