#include "qdl_core.h"

#include "enumeration.h"
#include "tree_plan.h"

#include <cstring>

QdlCore* currentJob = nullptr;

int normaliseSpecification(const char* specification, char* out) {
    const bool hasDrive = specification[0] != '\0' && specification[1] == ':';
    const char drive[] = {specification[0], ':', '\\', '\0'};
    const char* prefix = "C:\\";
    const char* rest = specification;
    if (hasDrive) {
        prefix = specification[2] == '\\' ? "" : drive;
        rest = specification[2] == '\\' ? specification : specification + 2;
    } else if (specification[0] == '\\') {
        prefix = "C:";
    }
    const int length = appendCut(out, appendCut(out, 0, prefix, pathLimit), rest, pathLimit);
    return rest[length - static_cast<int>(std::strlen(prefix))] == '\0' ? 0 : 1;
}

QdlCore::QdlCore(const char* sourceSpecification, const char* destinationSpecification,
                 const JobOptions& jobOptions)
    : state{}, options(jobOptions) {
    // The pair in progress reads its chunks into the job's buffers.
    state.inProgress.sourceBuffer = state.sourceBuffer;
    state.inProgress.destinationBuffer = state.destinationBuffer;
    state.inProgress.chunk = chunkSize;
    state.inProgress.timeWindow = options.timeWindow;
    state.specificationCut = normaliseSpecification(sourceSpecification, state.workSource) != 0;
    std::memcpy(state.sourceRoot, state.workSource, sizeof state.sourceRoot);
    state.specificationCut |= normaliseSpecification(destinationSpecification, state.workDestination) != 0;
    std::memcpy(state.destinationRoot, state.workDestination, sizeof state.destinationRoot);
    state.destinationPrefixLength = lastBackslashBeforeWildcard(state.workDestination, pathRoom) + 1;
}

JobState& writableState(QdlCore& job) {
    return job.state;
}

QdlCore::~QdlCore() {
    (void)closePair(state.inProgress);
    endTree(*this);
    state.pairs.destroy();
    // No folder of the run stays busy once its job is gone.
    releaseFolderCache();
}

namespace {

enum class PlanMode { SingleFile, FolderPattern, Tree };

bool holdsBackslash(const char* text) {
    return std::strchr(text, '\\') != nullptr;
}

}  // namespace

int QdlCore::plan() {
    if (startPlan() != 0) return 1;
    while (planMore() == 0) {
    }
    return 0;
}

int QdlCore::planMore(bool mayWait) {
    return planTreeMore(*this, mayWait);
}

int QdlCore::startPlan() {
    // A cut specification names another file or folder than the one typed.
    if (specificationCut) return 1;
    const int wildcard = firstWildcard(workSource);
    PlanMode mode = PlanMode::SingleFile;
    if (wildcard >= 0) {
        const bool recursionPoint = workSource[wildcard] == '*' && wildcard > 0 &&
                                    workSource[wildcard - 1] == '\\' &&
                                    workSource[wildcard + 1] == '\\';
        mode = recursionPoint ? PlanMode::Tree : PlanMode::FolderPattern;
        const char* rest = workSource + wildcard + (recursionPoint ? 2 : 1);
        if (holdsBackslash(rest)) return 1;
    }

    switch (mode) {
    case PlanMode::SingleFile:
        pairSingleFile();
        break;
    case PlanMode::FolderPattern:
        enumerateFolder(*this);
        break;
    case PlanMode::Tree: {
        char sourceFolder[pathRoom];
        char destinationFolder[pathRoom];
        std::memcpy(sourceFolder, workSource, static_cast<std::size_t>(wildcard));
        sourceFolder[wildcard] = '\0';
        const int destinationFolderLength = firstWildcard(workDestination) < 0
            ? static_cast<int>(std::strlen(workDestination))
            : destinationPrefixLength;
        std::memcpy(destinationFolder, workDestination,
                    static_cast<std::size_t>(destinationFolderLength));
        destinationFolder[destinationFolderLength] = '\0';
        // The pattern is read as the tree is planned, while the work paths move.
        startTree(*this, sourceFolder, destinationFolder, sourceRoot + wildcard + 2);
        break;
    }
    }
    return 0;
}

void QdlCore::pairSingleFile() {
    FindRecord source{};
    switch (lookUp(workSource, &source, options.links)) {
    case Presence::Missing:
        return;
    case Presence::Unreachable: {
        // Not knowing what is there is not the same as nothing being there.
        const char* name = std::strrchr(workSource, '\\') + 1;
        appendCut(source.name, 0, *name != '\0' ? name : ".", pathLimit);
        state.pairs.addPair(source, FindRecord{}, PairState::SourceError, lastFault());
        return;
    }
    case Presence::Found:
        break;
    }
    if ((source.attributes & skippedAttributes) != 0) {
        ++state.temporaryPassedOver;
        return;
    }
    if (isDirectory(source)) return;

    constexpr DWORD unusable = skippedAttributes | FILE_ATTRIBUTE_DIRECTORY;
    FindRecord destination{};
    const Presence presence = lookUp(workDestination, &destination, options.links);
    if (presence == Presence::Unreachable) {
        state.pairs.addPair(source, FindRecord{}, PairState::DestinationError, lastFault());
    } else if (presence == Presence::Found && (destination.attributes & unusable) == 0) {
        state.totalBytes = fileSize(source);
        state.pairs.addPair(source, destination);
    } else {
        destination.name[0] = '\0';
        state.pairs.addPair(source, destination);
    }
}
