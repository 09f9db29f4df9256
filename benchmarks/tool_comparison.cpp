// qdlcheck, with one and several pairs at a time, beside the standard tools, each run as a whole
// process on the same generated trees: wall time, CPU time and peak memory, medians of several
// runs, and the ratios to a baseline. The trees live in a private temporary folder that is removed
// at the end. They are read from the page cache (one unmeasured run of each command first), or,
// for the cold case, from the disk: the caches are dropped before each run (root only).
//
//   tool_comparison QDLCHECK [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path benchRoot;

void removeTrees() {
    std::error_code ignored;
    if (!benchRoot.empty()) fs::remove_all(benchRoot, ignored);
}

struct Measure {
    double wall;
    double cpu;
    long peakKilobytes;
};

Measure runOnce(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Comparison tools exit 1 for "different"; the trees are identical, so anything else is a fault.
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed (%d): %s\n", status, command.c_str());
        std::exit(1);
    }
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return {wall, seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

// Empties the page, dentry and inode caches; false where that is not allowed.
bool dropCaches() {
    sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.flush();
    return static_cast<bool>(control);
}

enum class Cache { Warm, Cold };

Measure median(const std::string& command, int runs, Cache cache = Cache::Warm) {
    if (cache == Cache::Warm) runOnce(command);  // into the page cache
    std::vector<Measure> measures;
    for (int i = 0; i < runs; ++i) {
        if (cache == Cache::Cold) dropCaches();
        measures.push_back(runOnce(command));
    }
    const auto middle = [&](auto field) {
        std::vector<double> values;
        for (const auto& m : measures) values.push_back(static_cast<double>(m.*field));
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return {middle(&Measure::wall), middle(&Measure::cpu),
            static_cast<long>(middle(&Measure::peakKilobytes))};
}

void writeBoth(const fs::path& root, const fs::path& relative, const std::string& contents) {
    for (const char* side : {"src", "dst"}) {
        std::ofstream(root / side / relative, std::ios::binary).write(contents.data(),
                                                                      static_cast<std::streamsize>(contents.size()));
    }
    fs::last_write_time(root / "dst" / relative, fs::last_write_time(root / "src" / relative));
}

std::uint64_t largeFiles(const fs::path& root) {
    std::string contents(256u << 20, '\0');
    std::minstd_rand generator(7);
    for (char& c : contents) c = static_cast<char>(generator());
    for (const char* side : {"src", "dst"}) fs::create_directories(root / side);
    for (int file = 0; file < 8; ++file) writeBoth(root, "big" + std::to_string(file) + ".bin", contents);
    return 8ull * contents.size();
}

std::uint64_t manySmallFiles(const fs::path& root, int folders) {
    std::minstd_rand generator(11);
    std::uint64_t bytes = 0;
    for (int folder = 0; folder < folders; ++folder) {
        const fs::path name = "folder" + std::to_string(folder);
        for (const char* side : {"src", "dst"}) fs::create_directories(root / side / name);
        for (int file = 0; file < 100; ++file) {
            std::string contents(1024 + generator() % 3073, '\0');
            for (char& c : contents) c = static_cast<char>(generator());
            writeBoth(root, name / ("file" + std::to_string(file) + ".bin"), contents);
            bytes += contents.size();
        }
    }
    return bytes;
}

struct Row {
    std::string tool;
    Measure measure;
};

// The last column is each row's wall time over the baseline row's.
void report(const char* title, std::uint64_t bytes, const std::vector<Row>& rows, std::size_t baseline) {
    std::printf("\n%s (%.0f MB per side), medians:\n", title, bytes / 1e6);
    std::printf("  %-20s %9s %9s %10s %10s   x %s\n", "tool", "wall s", "cpu s", "MB/s", "peak MB",
                rows[baseline].tool.c_str());
    for (const auto& row : rows)
        std::printf("  %-20s %9.3f %9.3f %10.0f %10.1f %9.2f\n", row.tool.c_str(), row.measure.wall,
                    row.measure.cpu, bytes / 1e6 / row.measure.wall, row.measure.peakKilobytes / 1024.0,
                    row.measure.wall / rows[baseline].measure.wall);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tool_comparison QDLCHECK [runs]\n");
        return 2;
    }
    const std::string qdlcheck = fs::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    char pattern[] = "/tmp/quendle-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    benchRoot = pattern;
    std::atexit(removeTrees);
    const fs::path root = benchRoot;
    const auto in = [&](const fs::path& tree, const std::string& command) {
        return "cd '" + tree.string() + "' && " + command;
    };

    const auto qdlcheckRows = [&](const fs::path& tree, int runs, Cache cache) {
        std::vector<Row> rows;
        for (const char* jobs : {"1", "4", "8"}) {
            rows.push_back({std::string("qdlcheck --jobs ") + jobs,
                            median(in(tree, "'" + qdlcheck + "' --quiet --jobs " + jobs + " src dst 2>/dev/null"),
                                   runs, cache)});
        }
        return rows;
    };

    const fs::path large = root / "large";
    const std::uint64_t largeBytes = largeFiles(large);
    std::vector<Row> rows = qdlcheckRows(large, runs, Cache::Warm);
    rows.push_back({"cmp -s", median(in(large, "for f in src/*; do cmp -s \"$f\" \"dst/${f#src/}\" || exit 1; done"), runs)});
    rows.push_back({"diff -rq", median(in(large, "diff -rq src dst"), runs)});
    rows.push_back({"rsync -rcn", median(in(large, "rsync -rcn src/ dst/"), runs)});
    report("8 identical files of 256 MiB", largeBytes, rows, 0);
    fs::remove_all(large);

    const fs::path small = root / "small";
    const std::uint64_t smallBytes = manySmallFiles(small, 1000);
    rows = qdlcheckRows(small, runs, Cache::Warm);
    // What the formats for scripts and mirrors cost beside the plain run above (--jobs 4).
    for (const char* option : {"--format json", "--extra"})
        rows.push_back({std::string("qdlcheck --jobs 4 ") + option,
                        median(in(small, "'" + qdlcheck + "' --jobs 4 " + option + " src dst >/dev/null 2>&1"),
                               runs)});
    rows.push_back({"diff -rq", median(in(small, "diff -rq src dst"), runs)});
    rows.push_back({"rsync -rcn", median(in(small, "rsync -rcn src/ dst/"), runs)});
    report("100,000 identical files of 1-4 KiB in 1,000 folders", smallBytes, rows, 3);
    fs::remove_all(small);

    if (!dropCaches()) {
        std::printf("\nCold cache: SKIPPED, the caches cannot be dropped here (needs root).\n");
        return 0;
    }
    const fs::path cold = root / "cold";
    const std::uint64_t coldBytes = manySmallFiles(cold, 200);
    rows = qdlcheckRows(cold, runs, Cache::Cold);
    rows.push_back({"diff -rq", median(in(cold, "diff -rq src dst"), runs, Cache::Cold)});
    rows.push_back({"cat, 8 at a time",
                    median(in(cold, "find src dst -type f -print0 | xargs -0 -P 8 -n 64 cat >/dev/null"),
                           runs, Cache::Cold)});
    report("20,000 identical files of 1-4 KiB in 200 folders, caches dropped before each run",
           coldBytes, rows, 3);
    return 0;
}
