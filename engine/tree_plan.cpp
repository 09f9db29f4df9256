#include "tree_plan.h"

#include "enumeration.h"
#include "folder_level.h"
#include "folder_listers.h"
#include "level_listing.h"
#include "qdl_core.h"

#include <cstring>
#include <new>

struct TreePlan {
    ListingRules rules;
    TreeLevel* levels;  // the folders being planned, innermost first
    TreeLevel* ahead;   // folders listed ahead of the run, not yet entered, through `above`
    int aheadCount;
    int aheadLimit;
    LevelListing* listers;  // none: each folder is listed when it comes due
    bool listedElsewhere;   // the listers are other processes', borrowed from the job's options
};

namespace {

// The directory exit marker: an empty source name; nothing else in it is read.
const FindRecord& exitMarker = noRecord;

// A few folders per thread keep every lister busy while the run records those before them.
constexpr int aheadPerLister = 2;

// The first `length` characters of a folder text, then name and a backslash.
void folderBelow(const char* folder, int length, const char* name, char (&below)[pathRoom]) {
    std::memcpy(below, folder, static_cast<std::size_t>(length));
    appendCut(below, appendCut(below, length, name, pathLimit), "\\", pathLimit);
}

// A level for the folder entry `name` of level.
TreeLevel* childLevel(const TreeLevel& level, const char* name) {
    char source[pathRoom];
    char destination[pathRoom];
    folderBelow(level.folder.searchPath, level.folder.sourceLength, name, source);
    folderBelow(level.folder.destinationPath, level.folder.destinationLength, name, destination);
    return newLevel(source, destination, &level.self);
}

// Requests the folder entry `index` of level ahead of the run: none when it cannot be made.
TreeLevel* requestChild(TreePlan& plan, const TreeLevel& level, int index, const char* name) {
    TreeLevel* child = childLevel(level, name);
    if (child == nullptr) return nullptr;
    child->parent = &level;
    child->entryIndex = index;
    child->above = plan.ahead;
    plan.ahead = child;
    ++plan.aheadCount;
    plan.listers->request(child);
    return child;
}

// The folder entry `index` of level, requested ahead; none when it was not.
TreeLevel* requestedChild(const TreePlan& plan, const TreeLevel& level, int index) {
    for (TreeLevel* child = plan.ahead; child != nullptr; child = child->above)
        if (child->parent == &level && child->entryIndex == index) return child;
    return nullptr;
}

// Asks the listers for the folders the run enters next, the innermost level's first, as far as
// the limit allows.
void listAhead(TreePlan& plan) {
    if (plan.listers == nullptr) return;
    const int limit = plan.aheadLimit;
    for (TreeLevel* level = plan.levels; level != nullptr && plan.aheadCount < limit;
         level = level->above) {
        FindRecord entry;
        FindRecord destination;
        PairState state;
        while (plan.aheadCount < limit &&
               level->entries.pairAt(&level->aheadCursor, &entry, &destination, &state) == 0) {
            const int index = level->aheadCursor.index - 1;
            // An entry already recorded was entered when it came due.
            if (index < level->next.index || !isFolderToEnter(entry, destination, state)) continue;
            if (requestChild(plan, *level, index, entry.name) == nullptr) return;
        }
    }
}

// The folder entry `index` of level, listed: taken from those listed ahead, or listed here.
TreeLevel* listedChild(TreePlan& plan, const TreeLevel& level, int index, const char* name) {
    for (TreeLevel** link = &plan.ahead; *link != nullptr; link = &(*link)->above) {
        TreeLevel* child = *link;
        if (child->parent != &level || child->entryIndex != index) continue;
        *link = child->above;
        --plan.aheadCount;
        plan.listers->await(child);
        return child;
    }
    TreeLevel* child = childLevel(level, name);
    if (child == nullptr) return child;
    if (plan.listedElsewhere) {
        plan.listers->request(child);
        plan.listers->await(child);
    } else {
        listLevel(plan.rules, *child);
    }
    return child;
}

// A folder entry come due: recorded and entered, or recorded with its verdict. 1 when the list
// could not take it.
int enterFolder(QdlCore& job, TreePlan& plan, TreeLevel& level, int index,
                const FindRecord& entry, const FindRecord& destination) {
    JobState& state = writableState(job);
    TreeLevel* child = listedChild(plan, level, index, entry.name);
    if (child != nullptr && child->listed == listingStopped) {
        dropLevel(child);
        state.planStopped = true;
        return 1;
    }
    if (child == nullptr) {
        ++state.pairs.lostPairs;
        return state.pairs.addPair(entry, destination, PairState::SourceError);
    }
    if (child->listed != listedInFull) {
        state.pairs.lostPairs += child->totals.lostPairs;
        const int lost = state.pairs.addPair(entry, destination, unlistedVerdict(child->listed), child->fault);
        dropLevel(child);
        return lost;
    }
    addTotals(job, child->totals);
    if (state.pairs.addPair(entry, destination) != 0) {
        dropLevel(child);
        return 1;
    }
    child->above = plan.levels;
    plan.levels = child;
    return 0;
}

PairState stateOf(PairState state) {
    return state;
}

PairState stateOf(const PairMark& mark) {
    return mark.state;
}

// Mark: what the list tells of a pair (a PairState planned, a PairMark in the job's list).
template <typename Mark, typename List>
bool holdsNoSourceEntry(const List& list) {
    FindRecord source;
    FindRecord destination;
    Mark mark;
    auto at = list.start();
    while (list.pairAt(&at, &source, &destination, &mark) == 0)
        if (!isExitMarker(source) && stateOf(mark) != PairState::Extra) return false;
    return true;
}

void dropChain(TreeLevel* level) {
    while (level != nullptr) {
        TreeLevel* above = level->above;
        dropLevel(level);
        level = above;
    }
}

}  // namespace

void startTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
               const char* pattern) {
    JobState& state = writableState(job);
    const ListingRules rules = listingRules(job, pattern, static_cast<int>(std::strlen(sourceFolder)));
    TreeLevel* start = newLevel(sourceFolder, destinationFolder, nullptr);
    auto* plan = start != nullptr ? new (std::nothrow) TreePlan{rules, start, nullptr, 0, 0, nullptr, false} : nullptr;
    if (plan == nullptr) {
        if (start != nullptr) dropLevel(start);
        ++state.pairs.lostPairs;
        return;
    }
    listLevel(rules, *start);
    if (start->listed == listingStopped) {
        state.planStopped = true;
        dropLevel(start);
        delete plan;
        return;
    }
    if (start->listed == listedInFull) {
        addTotals(job, start->totals);
        state.tree = plan;
        if (ListingElsewhere* elsewhere = job.options.listingElsewhere;
            elsewhere != nullptr && elsewhere->begin(rules, job.options.timeWindow) == 0) {
            plan->listers = elsewhere;
            plan->listedElsewhere = true;
            plan->aheadLimit = aheadPerLister * elsewhere->listerCount();
            listAhead(*plan);
        }
        return;
    }
    // The starting folder has no pair of its own: its line names it, and its marker still ends it.
    state.pairs.lostPairs += start->totals.lostPairs;
    state.pairs.addPair(folderItself, noRecord, unlistedVerdict(start->listed), start->fault);
    state.pairs.addPair(exitMarker, noRecord);
    dropLevel(start);
    delete plan;
}

int planTreeMore(QdlCore& job, bool mayWait) {
    JobState& state = writableState(job);
    TreePlan* const plan = state.tree;
    if (plan == nullptr) return 1;
    TreeLevel* const level = plan->levels;
    const EntryCursor before = level->next;
    FindRecord entry;
    FindRecord destination;
    PairState planned;
    Fault fault;
    ComparedElsewhere compared;
    int lost;
    if (level->entries.pairAt(&level->next, &entry, &destination, &planned, &fault, &compared) != 0) {
        lost = state.pairs.addPair(exitMarker, noRecord);
        plan->levels = level->above;
        dropLevel(level);
        if (plan->levels == nullptr) endTree(job);
    } else if (isFolderToEnter(entry, destination, planned)) {
        // Other processes may take long over a folder (its large files are compared first): the
        // run records what it has meanwhile.
        if (!mayWait && plan->listedElsewhere) {
            const int index = level->next.index - 1;
            TreeLevel* child = requestedChild(*plan, *level, index);
            if (child == nullptr) child = requestChild(*plan, *level, index, entry.name);
            if (child != nullptr && !job.options.listingElsewhere->listed(child)) {
                level->next = before;
                return planWaits;
            }
        }
        lost = enterFolder(job, *plan, *level, level->next.index - 1, entry, destination);
        if (lost == 0) listAhead(*plan);
    } else {
        lost = state.pairs.addPair(entry, destination, planned, fault,
                                   planned == PairState::Compared ? &compared : nullptr);
    }
    // A pair the list could not take ends the plan: had it been a marker, every later line would
    // name a path a level off. The run ends short, as listIncomplete tells.
    if (lost != 0) endTree(job);
    return 0;
}

int descriptorsListingAhead(int pairsAtOnce) {
    constexpr int perThread = 8;  // a pair's files or a listing, and the folders the thread keeps open
    constexpr int ownUse = 32;    // standard streams, the log and its spool, the run's own folders
    const int listers = pairsAtOnce < FolderListers::maxThreads ? pairsAtOnce : FolderListers::maxThreads;
    return ownUse + perThread * (pairsAtOnce + listers);
}

int listTreeAhead(QdlCore& job, int threads) {
    TreePlan* const plan = writableState(job).tree;
    if (plan == nullptr || plan->listedElsewhere) return 0;
    auto* listers = new (std::nothrow) FolderListers(plan->rules);
    if (listers == nullptr || listers->start(threads) != 0) {
        delete listers;
        return 1;
    }
    plan->listers = listers;
    plan->aheadLimit = aheadPerLister * listers->listerCount();
    listAhead(*plan);
    return 0;
}

void pauseTreeListing(QdlCore& job) {
    TreePlan* const plan = writableState(job).tree;
    if (plan != nullptr && plan->listers != nullptr) plan->listers->pause();
}

void resumeTreeListing(QdlCore& job) {
    TreePlan* const plan = writableState(job).tree;
    if (plan != nullptr && plan->listers != nullptr) plan->listers->resume();
}

bool recordsNoSourceEntry(const QdlCore& job) {
    if (const TreePlan* plan = job.treeInPlanning(); plan != nullptr)
        for (const TreeLevel* level = plan->levels; level != nullptr; level = level->above)
            if (!holdsNoSourceEntry<PairState>(level->entries)) return false;
    return holdsNoSourceEntry<PairMark>(job.pairs);
}

int treeBeingPlanned(const QdlCore& job, char* sourceFolder, ListingRules* rules) {
    const TreePlan* const plan = job.treeInPlanning();
    if (plan == nullptr || plan->levels == nullptr) return 1;
    const TreeLevel* outermost = plan->levels;
    while (outermost->above != nullptr) outermost = outermost->above;
    const int length = plan->rules.rootLength;
    std::memcpy(sourceFolder, outermost->folder.searchPath, static_cast<std::size_t>(length));
    sourceFolder[length] = '\0';
    *rules = plan->rules;
    return 0;
}

void endTree(QdlCore& job) {
    JobState& state = writableState(job);
    TreePlan* const plan = state.tree;
    if (plan == nullptr) return;
    // The listers first: none may still be listing a level about to go.
    if (!plan->listedElsewhere) {
        delete plan->listers;
    } else {
        for (TreeLevel* level = plan->ahead; level != nullptr; level = level->above)
            job.options.listingElsewhere->withdraw(level);
    }
    dropChain(plan->ahead);
    dropChain(plan->levels);
    delete plan;
    state.tree = nullptr;
}
