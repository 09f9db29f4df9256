// One comparison run: both specifications, the pair list, the read buffers, totals and counters.
#pragma once

#include "file_inf_list.h"
#include "entry_filter.h"
#include "find_record.h"
#include "own_files.h"
#include "pair_comparison.h"
#include "path_text.h"
#include "stop_level.h"

#include <atomic>
#include <cstdint>

struct CompareStats {
    std::int32_t noDifference;
    std::int32_t notices;
    std::int32_t errors;
    std::int32_t fatalErrors;
    std::int32_t total;
    const char* currentName;  // name of the pair taken last, inside currentSource; none before
    std::int32_t ratePercent;
};

constexpr int chunkSize = 32768;

struct TreePlan;
class ListingElsewhere;

// What a run is asked to do, fixed when its job is made and read by any thread.
struct JobOptions {
    JobOptions(StopLevel level = IgnoreAnyErrors) : stopLevel(level) {}

    StopLevel stopLevel;
    // Last-write times this far apart (100-ns units) count as equal; 0, the dialogs' choice, exactly.
    std::uint64_t timeWindow = 0;
    // The entries only the destination holds are recorded and counted (qdlcheck --extra).
    bool listExtras = false;
    // Links followed (the dialogs' way) or compared as links.
    LinkRule links = LinkRule::Follow;
    // Files the run makes itself, passed over wherever the trees hold them; none: it makes none.
    const OwnFiles* ownFiles = nullptr;
    // The entries the user leaves out; none: every entry.
    const EntryFilter* filter = nullptr;
    // The user's request to stop, which a listing heeds between its entries; none for a run
    // nobody stops (the dialogs).
    const std::atomic<bool>* stopRequested = nullptr;
    // Other processes that list the tree's folders below the starting one; none: this one does.
    ListingElsewhere* listingElsewhere = nullptr;
};

// Everything of a job beyond its options. Only the engine's planners and steppers write it, through
// writableState; everyone else reads it through the job's views. One thread plans and steps a job
// (the dialog's, or qdlcheck's main thread); worker and lister threads never touch it (see
// parallel_stepper.h and folder_listers.h).
struct JobState {
    // Set by the constructor, never changed afterwards.
    char sourceRoot[pathRoom];
    char destinationRoot[pathRoom];
    std::int32_t destinationPrefixLength;
    bool specificationCut;  // a normalised specification was cut to 259 characters

    // Planning's: appended by the planners; each pair's code set once, by the steppers; read by
    // any number of log readers, each with a cursor of its own.
    FileInfList pairs;
    std::uint64_t totalBytes;            // of the source files with a copy, as far as planned
    std::int32_t temporaryPassedOver;    // temporary entries passed over, not compared
    std::int32_t ownFilesPassedOver;
    std::int32_t filteredOut;
    bool planStopped;                    // planning gave way to the user's request to stop
    TreePlan* tree;                      // a tree still being planned; none once planning has ended

    // The steppers': the pair in progress and what the run has found.
    char workSource[pathRoom];
    char workDestination[pathRoom];
    // Four bytes of slack behind a full chunk, for the zero padding of the comparison.
    unsigned char sourceBuffer[chunkSize + 4];
    unsigned char destinationBuffer[chunkSize + 4];
    std::uint64_t comparedBytes;
    // Bytes read from both sides and compared, a part of comparedBytes: the rest was settled
    // without reading (a file that did not open, the part behind a difference).
    std::uint64_t readBytes;
    CompareStats stats;
    std::int32_t extras;
    // The pair taken last, and the comparison of compareStep(job) while its files are open
    // (sourceHandle null otherwise), read into the buffers above; the job closes them when it goes.
    FindRecord currentSource;
    FindRecord currentDestination;
    PairComparison inProgress;
};

class QdlCore {
    JobState state;

public:
    QdlCore(const char* sourceSpecification, const char* destinationSpecification,
            const JobOptions& options);
    ~QdlCore();
    QdlCore(const QdlCore&) = delete;
    QdlCore& operator=(const QdlCore&) = delete;

    // 0 after recording every pair; 1 with nothing recorded when a wildcard is followed by another
    // folder level or a specification did not fit.
    [[nodiscard]] int plan();
    // The same, recording a tree's starting folder only: the steppers plan the rest as they reach
    // it, so that a tree is held a few folders at a time.
    [[nodiscard]] int startPlan();
    // Records the next pairs planned: 0 when it recorded any, 1 once planning has ended. Told not
    // to wait, planWaits when the next pair lies in a folder other processes are still listing
    // (or comparing), with nothing recorded.
    int planMore(bool mayWait = true);
    bool planningEnded() const { return state.tree == nullptr; }
    // The tree still being planned; none once planning has ended.
    const TreePlan* treeInPlanning() const { return state.tree; }
    // True when planning lost pairs for want of memory: the run would not cover the source.
    bool listIncomplete() const { return state.pairs.lostPairs != 0; }
    // Lets the list go behind a reader that has read every pair recorded before `at` (qdlcheck's
    // one reader), so that the run holds only what lies ahead.
    void releasePairsBefore(const ListCursor& at) { state.pairs.releaseBefore(at); }

    const JobOptions options;
    // Read-only views of the state, valid as JobState says.
    const char (&sourceRoot)[pathRoom] = state.sourceRoot;
    const char (&destinationRoot)[pathRoom] = state.destinationRoot;
    const std::int32_t& destinationPrefixLength = state.destinationPrefixLength;
    const bool& specificationCut = state.specificationCut;
    const FileInfList& pairs = state.pairs;
    const std::uint64_t& totalBytes = state.totalBytes;
    const std::int32_t& temporaryPassedOver = state.temporaryPassedOver;
    const std::int32_t& ownFilesPassedOver = state.ownFilesPassedOver;
    const std::int32_t& filteredOut = state.filteredOut;
    const bool& planStopped = state.planStopped;
    const char (&workSource)[pathRoom] = state.workSource;
    const char (&workDestination)[pathRoom] = state.workDestination;
    const std::uint64_t& comparedBytes = state.comparedBytes;
    const std::uint64_t& readBytes = state.readBytes;
    const CompareStats& stats = state.stats;
    const std::int32_t& extras = state.extras;
    const PairComparison& inProgress = state.inProgress;

private:
    void pairSingleFile();
    friend JobState& writableState(QdlCore& job);
};

// The job's state as its planners and steppers write it: for the engine's own use only.
JobState& writableState(QdlCore& job);

// The live job, owned by the dialog that created it; none when no job exists.
extern QdlCore* currentJob;

// A drive, a colon and a backslash in front of every specification; cut to 259 characters.
// 0 when the whole of it fits, 1 when it was cut.
int normaliseSpecification(const char* specification, char* out);
