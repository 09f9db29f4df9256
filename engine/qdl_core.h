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

class QdlCore {
public:
    QdlCore(const char* sourceSpecification, const char* destinationSpecification,
            StopLevel level);
    ~QdlCore();
    QdlCore(const QdlCore&) = delete;
    QdlCore& operator=(const QdlCore&) = delete;

    // 0 after recording every pair; 1 with nothing recorded when a wildcard is followed by another
    // folder level or a specification did not fit.
    [[nodiscard]] int plan();
    // The same, recording a tree's starting folder only: the steppers plan the rest as they reach
    // it, so that a tree is held a few folders at a time.
    [[nodiscard]] int startPlan();
    // Records the next pairs planned: 0 when it recorded any, 1 once planning has ended.
    int planMore();
    bool planningEnded() const { return tree == nullptr; }
    // True when planning lost pairs for want of memory: the run would not cover the source.
    bool listIncomplete() const { return pairs.lostPairs != 0; }

    char workSource[pathRoom];
    char workDestination[pathRoom];
    char sourceRoot[pathRoom];
    char destinationRoot[pathRoom];
    // Four bytes of slack behind a full chunk, for the zero padding of the comparison.
    unsigned char sourceBuffer[chunkSize + 4];
    unsigned char destinationBuffer[chunkSize + 4];
    std::int32_t destinationPrefixLength;
    FileInfList pairs;
    std::uint64_t totalBytes;
    std::uint64_t comparedBytes;
    // Bytes read from both sides and compared, a part of comparedBytes: the rest was settled
    // without reading (a file that did not open, the part behind a difference).
    std::uint64_t readBytes;
    StopLevel stopLevel;
    CompareStats stats;
    // The pair taken last by the one-at-a-time stepper, and its comparison while its files are
    // open (sourceHandle null otherwise); the job closes them when it goes.
    FindRecord currentSource;
    FindRecord currentDestination;
    PairComparison inProgress;
    // Temporary entries that planning passed over: they are not compared.
    std::int32_t temporaryPassedOver;
    // Set before planning: files the run makes itself, passed over wherever the trees hold them and
    // counted here.
    const OwnFiles* ownFiles;
    std::int32_t ownFilesPassedOver;
    // Set before planning: the entries the user leaves out (none: every entry), counted here.
    const EntryFilter* filter;
    std::int32_t filteredOut;
    // Last-write times this far apart (100-ns units) count as equal; 0, the dialogs' choice, exactly.
    std::uint64_t timeWindow;
    // Set before planning to record the entries only the destination holds; they are counted here.
    bool listExtras;
    // Set before planning: links followed (the dialogs' way) or compared as links.
    LinkRule links;
    std::int32_t extras;
    // A normalised specification was cut to 259 characters: it names something else.
    bool specificationCut;
    // A tree still being planned; none once planning has ended.
    TreePlan* tree;
    // Set before planning: the user's request to stop, which a listing heeds between its entries;
    // none for a run nobody stops (the dialogs). planStopped tells that planning gave way to it.
    const std::atomic<bool>* stopRequested;
    bool planStopped;

private:
    void pairSingleFile();
};

// The live job, owned by the dialog that created it; none when no job exists.
extern QdlCore* currentJob;

// A drive, a colon and a backslash in front of every specification; cut to 259 characters.
// 0 when the whole of it fits, 1 when it was cut.
int normaliseSpecification(const char* specification, char* out);
