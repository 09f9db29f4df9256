#include "enumeration.h"

#include "extra_entries.h"
#include "folder_level.h"
#include "qdl_core.h"
#include "platform/test_points.h"

#include <cstring>
#include <new>

namespace {

char destinationPathBuffer[pathRoom];

// Appends the pairs of a folder listed in full to the job's list, in their order.
void recordListed(QdlCore& job, const FolderEntries& listed) {
    FindRecord source;
    FindRecord destination;
    PairState state;
    Fault fault;
    EntryCursor at = FolderEntries::start();
    while (listed.pairAt(&at, &source, &destination, &state, &fault) == 0)
        writableState(job).pairs.addPair(source, destination, state, fault);
}

// Looks the destination of an entry up. ToCompare with the record found, or with an empty name
// when nothing is there; DestinationError, with why in *fault, when the destination could not be
// reached, or when the path the stepper builds from the name found (behind split, plus a
// backslash for a folder) would not fit.
PairState lookUpDestination(const char* path, int split, int backslash, LinkRule links,
                             FindRecord* destination, const FindRecord* listed, Fault* fault) {
    // The destination's own listing, when it is walked beside the source, has the record already.
    Presence presence = Presence::Found;
    if (listed != nullptr)
        *destination = *listed;
    else
        presence = lookUp(path, destination, links);
    switch (presence) {
    case Presence::Missing:
        destination->name[0] = '\0';
        return PairState::ToCompare;
    case Presence::Unreachable:
        *fault = lastFault();
        return PairState::DestinationError;
    case Presence::Found:
        break;
    }
    if (fitsBehind(split, destination->name, backslash)) return PairState::ToCompare;
    *fault = {FaultCause::TooLong, 0};
    return PairState::DestinationError;
}

// A listing that fails for want of memory leaves the list short, as a lost pair does.
void listingFailed(ListingTotals& totals, const FolderListing& listing) {
    if (listing.failure == ERROR_NOT_ENOUGH_MEMORY) ++totals.lostPairs;
    totals.failure = faultOf(listing.failure, listing.systemError);
}

// Records one entry in the folder's own list, with its destination record as listed when there is
// one; a folder with a folder as its copy is entered when it comes due.
void recordTreeEntry(const ListingRules& rules, TreeLevel& level, const FindRecord& entry,
                     const FindRecord* listed) {
    TreeFolder& folder = level.folder;
    FolderEntries& entries = level.entries;
    const int backslash = isDirectory(entry) ? 1 : 0;
    // A folder's own search path is its text and the pattern.
    const int sourceRoom = backslash != 0 ? 1 + static_cast<int>(std::strlen(rules.pattern)) : 0;
    if (unnameable(entry.name)) {
        entries.addPair(entry, noRecord, PairState::SourceError, {causeOfUnnameable(), 0});
        return;
    }
    if (!fitsBehind(folder.sourceLength, entry.name, sourceRoom)) {
        entries.addPair(entry, noRecord, PairState::SourceError, {FaultCause::TooLong, 0});
        return;
    }
    if (!fitsBehind(folder.destinationLength, entry.name, backslash)) {
        entries.addPair(entry, noRecord, PairState::DestinationError, {FaultCause::TooLong, 0});
        return;
    }
    appendCut(folder.destinationPath, folder.destinationLength, entry.name, pathLimit);
    FindRecord destination{};
    Fault fault = noFault;
    const PairState state = lookUpDestination(folder.destinationPath, folder.destinationSplit,
                                              backslash, rules.links, &destination, listed, &fault);
    if (state != PairState::ToCompare || destination.name[0] == '\0') {
        entries.addPair(entry, destination, state, fault);
    } else if (backslash != 0 && !isDirectory(destination)) {
        // A file, FIFO or link where the folder's copy should be: nothing inside it has a copy.
        entries.addPair(entry, destination, PairState::DestinationError,
                        {isLinkAsItself(destination) && rules.links == LinkRule::Follow
                             ? causeOfUnfollowedLink(destination)
                             : FaultCause::NotAFolder,
                         0});
    } else {
        if (backslash == 0) level.totals.bytes += fileSize(entry);
        entries.addPair(entry, destination);
    }
}

// Lists a source folder by its search path, the destination walked beside it when extras are
// asked for, and hands each entry the mode records to record, with its destination record when
// the walk has it: listedInFull, sourceUnlisted or destinationUnlisted when a listing failed, or
// listingStopped when it gave way to the user's request to stop (between entries, or inside the
// platform's read of the names).
template <typename Record>
int listBeside(const ListingRules& rules, ListingTotals& totals, const char* searchPath,
               DWORD notRecorded, DestinationWalk& extras, Record record) {
    const int folderLength = lastBackslashBeforeWildcard(searchPath, pathRoom) + 1;
    FolderListing listing;
    bool destinationFailed = false;
    const auto stopAsked = [&] { return rules.stop != nullptr && rules.stop->load(std::memory_order_relaxed); };
    for (bool more = firstEntry(searchPath, &listing, rules.links); more; more = nextEntry(&listing)) {
        if (stopAsked()) {
            endListing(&listing);
            endDestinationWalk(extras);
            return listingStopped;
        }
        // A folder of a million entries, as the tests make one: slow to list.
        QUENDLE_PAUSE_POINT("listing-entry");
        const FindRecord& entry = listing.entry;
        FindRecord listed;
        const bool same = listingOpen(extras.listing) &&
                          walkTo(extras, entry.name, &listed, &destinationFailed);
        if (!passedOver(rules, totals, ListedSide::Source,
                        {searchPath, folderLength, searchPath, folderLength}, entry, notRecorded))
            record(entry, same ? &listed : nullptr);
    }
    if (listing.failure == 0 && finishDestinationWalk(extras) != 0) destinationFailed = true;
    endDestinationWalk(extras);
    if (listing.failure == ERROR_OPERATION_ABORTED && stopAsked()) return listingStopped;
    if (listing.failure != 0) {
        listingFailed(totals, listing);
        return sourceUnlisted;
    }
    if (!destinationFailed) return listedInFull;
    listingFailed(totals, extras.listing);
    return destinationUnlisted;
}

// Starts the walk of the destination folder beside the source one when extras are asked for:
// 0, or 1 when it could not be listed.
int walkDestinationBeside(const ListingRules& rules, TreeLevel& level, char* sourcePath,
                          DestinationWalk* walk) {
    const TreeFolder& folder = level.folder;
    *walk = noDestinationWalk(sourcePath, folder.sourceLength);
    // A destination folder text without its backslash (a specification without a wildcard) has
    // names put right behind it: its listing holds none of them.
    const bool aFolder = folder.destinationLength > 0 &&
                         folder.destinationPath[folder.destinationLength - 1] == '\\';
    if (!rules.listExtras || !aFolder) return 0;
    char search[pathRoom];
    std::memcpy(search, folder.destinationPath, static_cast<std::size_t>(folder.destinationLength));
    if (!fitsBehind(folder.destinationLength, rules.pattern)) return 1;
    appendCut(search, folder.destinationLength, rules.pattern, pathLimit);
    return startDestinationWalk(search, true, sourcePath, folder.sourceLength,
                                {&rules, &level.totals, &level.entries}, walk);
}

// Lists one folder into its level: listedInFull (also when nothing matched), or sourceUnlisted or
// destinationUnlisted when a listing failed.
int listTreeFolder(const ListingRules& rules, TreeLevel& level) {
    TreeFolder& folder = level.folder;
    folder.sourceLength = appendCut(folder.searchPath, 0, level.sourceFolder, pathLimit);
    appendCut(folder.searchPath, folder.sourceLength, rules.pattern, pathLimit);
    folder.destinationLength = appendCut(folder.destinationPath, 0, level.destinationFolder, pathLimit);
    folder.destinationSplit = lastBackslashBeforeWildcard(folder.destinationPath, pathRoom) + 1;
    // The source folder again, for looking up the names only the destination seems to hold.
    char sourcePath[pathRoom];
    appendCut(sourcePath, 0, level.sourceFolder, pathLimit);
    DestinationWalk extras;
    if (walkDestinationBeside(rules, level, sourcePath, &extras) != 0) {
        listingFailed(level.totals, extras.listing);
        return destinationUnlisted;
    }
    return listBeside(rules, level.totals, folder.searchPath, 0, extras,
                      [&](const FindRecord& entry, const FindRecord* destination) {
                          recordTreeEntry(rules, level, entry, destination);
                      });
}

bool isAncestor(const FileIdentity& folder, const Ancestor* chain) {
    for (; chain != nullptr; chain = chain->above)
        if (sameFile(folder, chain->identity)) return true;
    return false;
}

// One entry of folder-pattern mode, looked up in the destination folder unless its record there
// was listed.
void recordFolderEntry(const QdlCore& job, FolderEntries& matched, ListingTotals& totals,
                       const FindRecord& entry, int sourceFolderLength, const FindRecord* listed) {
    FindRecord destination{};
    PairState state = PairState::SourceError;
    Fault fault = unnameable(entry.name) ? Fault{causeOfUnnameable(), 0} : noFault;
    if (fault.cause == FaultCause::None && !fitsBehind(sourceFolderLength, entry.name))
        fault = {FaultCause::TooLong, 0};
    if (fault.cause == FaultCause::None) {
        const char* path = buildDestinationPath(job, entry.name);
        if (path == nullptr) fault = {FaultCause::TooLong, 0};
        state = path == nullptr
            ? PairState::DestinationError
            : lookUpDestination(path, job.destinationPrefixLength, 0, job.options.links, &destination, listed, &fault);
    }
    if (state == PairState::ToCompare && destination.name[0] != '\0') totals.bytes += fileSize(entry);
    matched.addPair(entry, destination, state, fault);
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
    JobState& state = writableState(job);
    // The stepper puts each name behind the source folder, up to its last backslash.
    const int sourceFolderLength = lastBackslashBeforeWildcard(job.workSource, pathRoom) + 1;
    char sourcePath[pathRoom];
    appendCut(sourcePath, 0, job.workSource, sourceFolderLength);
    FolderEntries matched;
    const ListingRules rules = listingRules(job, nullptr, sourceFolderLength);
    ListingTotals totals{};
    // With extras: the destination folder's files that the source pattern matches, walked beside.
    DestinationWalk extras = noDestinationWalk(sourcePath, sourceFolderLength);
    const char* destinationSearch = buildDestinationPath(job, job.workSource + sourceFolderLength);
    if (job.options.listExtras && destinationSearch == nullptr) {
        state.pairs.addPair(folderItself, noRecord, PairState::DestinationError, {FaultCause::TooLong, 0});
        return;
    }
    if (job.options.listExtras &&
        startDestinationWalk(destinationSearch, false, sourcePath, sourceFolderLength,
                             {&rules, &totals, &matched}, &extras) != 0) {
        state.pairs.addPair(folderItself, noRecord, PairState::DestinationError,
                          faultOf(extras.listing.failure, extras.listing.systemError));
        return;
    }

    const int listed = listBeside(rules, totals, job.workSource, FILE_ATTRIBUTE_DIRECTORY, extras,
                                  [&](const FindRecord& entry, const FindRecord* destination) {
                                      recordFolderEntry(job, matched, totals, entry,
                                                        sourceFolderLength, destination);
                                  });
    totals.lostPairs += matched.lostPairs;
    if (listed == listingStopped) {
        state.planStopped = true;
    } else if (listed == listedInFull) {
        addTotals(job, totals);
        recordListed(job, matched);
    } else {
        // A folder that cannot be listed to its end is one fatal error, not a pattern that matched
        // less.
        state.pairs.lostPairs += totals.lostPairs;
        state.pairs.addPair(folderItself, noRecord, unlistedVerdict(listed), totals.failure);
    }
}

TreeLevel* newLevel(const char* sourceFolder, const char* destinationFolder, const Ancestor* above) {
    auto* level = new (std::nothrow) TreeLevel;
    if (level == nullptr) return nullptr;
    // A folder that cannot be identified keeps no texts; they are copied whole to other ranks.
    level->folder = TreeFolder{};
    level->self.above = above;
    level->totals = {};
    level->listed = sourceUnlisted;
    level->fault = noFault;
    level->above = nullptr;
    level->parent = nullptr;
    level->entryIndex = 0;
    level->next = FolderEntries::start();
    level->aheadCursor = FolderEntries::start();
    level->state = 0;
    level->nextQueued = nullptr;
    appendCut(level->sourceFolder, 0, sourceFolder, pathLimit);
    appendCut(level->destinationFolder, 0, destinationFolder, pathLimit);
    return level;
}

void listLevel(const ListingRules& rules, TreeLevel& level) {
    // A folder that cannot be identified cannot be shown not to loop.
    if (identifyFile(level.sourceFolder, &level.self.identity) != 0) {
        level.listed = sourceUnlisted;
        level.fault = lastFault();
        return;
    }
    if (isAncestor(level.self.identity, level.self.above)) {
        level.listed = sourceUnlisted;
        level.fault = {FaultCause::FolderLoop, 0};
        return;
    }
    level.listed = listTreeFolder(rules, level);
    if (level.listed == sourceUnlisted || level.listed == destinationUnlisted) level.fault = level.totals.failure;
    // Pairs the folder's list could not hold leave the job's list short.
    level.totals.lostPairs += level.entries.lostPairs;
}

void dropLevel(TreeLevel* level) {
    delete level;
}

ListingRules listingRules(const QdlCore& job, const char* pattern, int rootLength) {
    const JobOptions& options = job.options;
    return {pattern, options.listExtras, options.links, options.ownFiles, options.filter, rootLength,
            options.stopRequested};
}

void addTotals(QdlCore& job, const ListingTotals& totals) {
    JobState& state = writableState(job);
    state.totalBytes += totals.bytes;
    state.temporaryPassedOver += totals.temporaryPassedOver;
    state.ownFilesPassedOver += totals.ownFilesPassedOver;
    state.filteredOut += totals.filteredOut;
    state.pairs.lostPairs += totals.lostPairs;
}

