// How many entries rank 0 records a second from levels other ranks send it: a synthetic stream, in
// which a rank answers every level at once with the same listing of a folder of 1,000 files, so
// that nothing but rank 0's share (taking the messages, recording each entry in list order) is
// timed. Rank 0 must never be what bounds a cluster whose metadata servers answer far fewer.
#include "bench_folder.h"
#include "engine/qdl_core.h"
#include "engine/tree_plan.h"
#include "level_ranks/level_messages.h"
#include "level_ranks/level_pairs.h"
#include "level_ranks/remote_listers.h"
#include "ranks/thread_ranks.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int folders = 1000;
constexpr int filesPerFolder = 1000;

// A starting folder of 1,000 folders on both sides; the first holds 1,000 files, the listing every
// level is answered with.
const fs::path& tree() {
    static const fs::path root = [] {
        const fs::path made = benchRoot() / "levels";
        for (const char* side : {"src", "dst"}) {
            for (int folder = 0; folder < folders; ++folder) fs::create_directories(made / side / ("folder" + std::to_string(folder)));
            for (int file = 0; file < filesPerFolder; ++file) std::ofstream(made / side / "folder0" / ("file" + std::to_string(file)));
        }
        return made;
    }();
    return root;
}

// The answer to every level: the first folder's listing, its pairs compared, as a rank sends it.
const RankMessage& cannedListing(const ListingRules& rules) {
    static const RankMessage canned = [&rules] {
        RankMessage made{};
        const std::string source = windowsForm(tree() / "src/folder0") + "\\";
        const std::string destination = windowsForm(tree() / "dst/folder0") + "\\";
        TreeLevel* level = newLevel(source.c_str(), destination.c_str(), nullptr);
        listLevel(rules, *level);
        FolderEntries compared;
        auto buffers = std::make_unique<PairBuffers>();
        if (compareListedPairs(*level, 0, *buffers, &compared) == 0) (void)writeListed(*level, compared, &made);
        dropLevel(level);
        return made;
    }();
    return canned;
}

void answerEveryLevel(RankTransport& rank, const RankMessage& canned) {
    RankMessage message{};
    while (rank.receive(&message) == 0 && message.tag != EndTag)
        if (message.tag == ListTag && rank.send(0, ListedTag, canned.bytes, canned.length) != 0) break;
    (void)rank.send(0, EndedTag, nullptr, 0);
    releaseRankMessage(&message);
}

// Plans the whole tree as a run records it, letting the list go behind a reader as qdlcheck's
// lines do: the entries recorded, or -1 when the plan could not start.
std::int64_t recordInOrder(QdlCore& job) {
    if (job.startPlan() != 0) return -1;
    std::int64_t entries = 0;
    FindRecord source;
    FindRecord destination;
    PairMark mark;
    ListCursor read = job.pairs.start();
    while (!job.planningEnded()) {
        for (int i = 0; i < 4096 && planTreeMore(job) == 0; ++i) {
        }
        while (job.pairs.pairAt(&read, &source, &destination, &mark) == 0) entries += isExitMarker(source) ? 0 : 1;
        job.releasePairsBefore(read);
    }
    return entries;
}

void recordListedLevels(benchmark::State& state) {
    const int ranks = static_cast<int>(state.range(0));
    const std::string source = windowsForm(tree() / "src/*/*");
    const std::string destination = windowsForm(tree() / "dst/*/*");
    std::int64_t recorded = 0;
    for (auto _ : state) {
        PostOffice office(ranks);
        ThreadRank zero(office, 0);
        RemoteListers listers(zero, [] {});
        JobOptions options(IgnoreAnyErrors);
        options.listingElsewhere = &listers;
        const ListingRules rules{"*", false, LinkRule::Follow, nullptr, nullptr,
                                 static_cast<int>(tree().string().size()) + 5, nullptr};
        std::vector<std::thread> answering;
        std::vector<std::unique_ptr<ThreadRank>> others;
        for (int rank = 1; rank < ranks; ++rank) {
            others.push_back(std::make_unique<ThreadRank>(office, rank));
            answering.emplace_back(answerEveryLevel, std::ref(*others.back()), std::cref(cannedListing(rules)));
        }
        {
            QdlCore job(source.c_str(), destination.c_str(), options);
            const std::int64_t entries = recordInOrder(job);
            recorded += entries;
            if (entries < folders * filesPerFolder) state.SkipWithError("entries missing");
        }
        if (listers.finish() != 0) state.SkipWithError("the ranks did not end");
        for (std::thread& thread : answering) thread.join();
    }
    state.SetItemsProcessed(recorded);
}
BENCHMARK(recordListedLevels)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
