// Planning a generated tree and stepping through identical files, beside cmp and diff -rq on the
// same files. The trees live in the temporary folder and are read from the page cache.
#include "bench_folder.h"
#include "engine/qdl_core.h"
#include "engine/stepper.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Tree {
    fs::path root;
    int entries = 0;  // files and folders
    int files = 0;
    std::uint64_t bytes = 0;
};

void writeBoth(const Tree& tree, const fs::path& relative, const std::string& contents) {
    for (const char* side : {"src", "dst"}) {
        std::ofstream out(tree.root / side / relative, std::ios::binary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    // Same time on both sides, or every pair would differ in its last-write time.
    fs::last_write_time(tree.root / "dst" / relative, fs::last_write_time(tree.root / "src" / relative));
}

// folders x files small files on both sides, identical.
const Tree& manySmallFiles() {
    static Tree tree = [] {
        Tree made{benchRoot() / "small"};
        for (int folder = 0; folder < 100; ++folder) {
            const fs::path name = "folder" + std::to_string(folder);
            fs::create_directories(made.root / "src" / name);
            fs::create_directories(made.root / "dst" / name);
            for (int file = 0; file < 100; ++file) {
                writeBoth(made, name / ("file" + std::to_string(file) + ".txt"),
                          std::string(100, static_cast<char>('a' + file % 26)));
                ++made.entries;
                ++made.files;
            }
            ++made.entries;
        }
        return made;
    }();
    return tree;
}

// A few large identical files.
const Tree& largeFiles() {
    static Tree tree = [] {
        Tree made{benchRoot() / "large"};
        fs::create_directories(made.root / "src");
        fs::create_directories(made.root / "dst");
        std::minstd_rand generator(7);
        std::string contents(16u << 20, '\0');
        for (char& c : contents) c = static_cast<char>(generator());
        for (int file = 0; file < 8; ++file) {
            writeBoth(made, "big" + std::to_string(file) + ".bin", contents);
            made.bytes += contents.size();
            ++made.entries;
            ++made.files;
        }
        return made;
    }();
    return tree;
}

std::unique_ptr<QdlCore> planned(const Tree& tree) {
    auto job = std::make_unique<QdlCore>(windowsForm(tree.root / "src/*/*").c_str(),
                                         windowsForm(tree.root / "dst/*/*").c_str(),
                                         IgnoreAnyErrors);
    static_cast<void>(job->plan());  // a refused specification leaves the list empty
    return job;
}

void planTree(benchmark::State& state) {
    const Tree& tree = manySmallFiles();
    for (auto _ : state) benchmark::DoNotOptimize(planned(tree));
    state.SetItemsProcessed(state.iterations() * tree.entries);
}
BENCHMARK(planTree)->Unit(benchmark::kMillisecond);

// Plans and steps the whole tree in every iteration, as one run of the dialog would without its timer.
void compareWholeTree(benchmark::State& state, const Tree& tree) {
    for (auto _ : state) {
        auto job = planned(tree);
        while (compareStep(*job) == 0) {}
        if (job->stats.noDifference != tree.files) state.SkipWithError("files compared unequal");
    }
}

void stepIdenticalFiles(benchmark::State& state) {
    compareWholeTree(state, largeFiles());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeFiles().bytes));
}
BENCHMARK(stepIdenticalFiles)->Unit(benchmark::kMillisecond);

void stepManySmallFiles(benchmark::State& state) {
    compareWholeTree(state, manySmallFiles());
    state.SetItemsProcessed(state.iterations() * manySmallFiles().entries);
}
BENCHMARK(stepManySmallFiles)->Unit(benchmark::kMillisecond);

void runCommand(benchmark::State& state, const std::string& command) {
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
}

void cmpLargeFiles(benchmark::State& state) {
    const Tree& tree = largeFiles();
    const std::string root = tree.root.string();
    runCommand(state, "cd '" + root + "' && for f in src/*; do cmp -s \"$f\" \"dst/${f#src/}\"; done");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * tree.bytes));
}
BENCHMARK(cmpLargeFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string diffCommand(const Tree& tree) {
    return "diff -rq '" + (tree.root / "src").string() + "' '" + (tree.root / "dst").string() + "'";
}

void diffLargeFiles(benchmark::State& state) {
    runCommand(state, diffCommand(largeFiles()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * largeFiles().bytes));
}
BENCHMARK(diffLargeFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void diffManySmallFiles(benchmark::State& state) {
    runCommand(state, diffCommand(manySmallFiles()));
    state.SetItemsProcessed(state.iterations() * manySmallFiles().entries);
}
BENCHMARK(diffManySmallFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
