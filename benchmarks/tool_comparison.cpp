// qdlcheck beside the standard tools, each run as a whole process on the same generated trees:
// wall time, CPU time and peak memory, medians of several runs, and the ratios. The trees live in a
// private temporary folder that is removed at the end; they are read from the page cache (one
// unmeasured run of each command first).
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

Measure median(const std::string& command, int runs) {
    runOnce(command);  // into the page cache
    std::vector<Measure> measures;
    for (int i = 0; i < runs; ++i) measures.push_back(runOnce(command));
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

std::uint64_t manySmallFiles(const fs::path& root) {
    std::minstd_rand generator(11);
    std::uint64_t bytes = 0;
    for (int folder = 0; folder < 1000; ++folder) {
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

void report(const char* title, std::uint64_t bytes, const std::vector<Row>& rows) {
    std::printf("\n%s (%.0f MB per side), medians:\n", title, bytes / 1e6);
    std::printf("  %-14s %9s %9s %10s %10s %9s\n", "tool", "wall s", "cpu s", "MB/s", "peak MB", "x qdlcheck");
    for (const auto& row : rows)
        std::printf("  %-14s %9.3f %9.3f %10.0f %10.1f %9.2f\n", row.tool.c_str(), row.measure.wall,
                    row.measure.cpu, bytes / 1e6 / row.measure.wall, row.measure.peakKilobytes / 1024.0,
                    row.measure.wall / rows[0].measure.wall);
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

    const fs::path large = root / "large";
    const std::uint64_t largeBytes = largeFiles(large);
    report("8 identical files of 256 MiB", largeBytes,
           {{"qdlcheck", median(in(large, "'" + qdlcheck + "' --quiet src dst 2>/dev/null"), runs)},
            {"cmp -s", median(in(large, "for f in src/*; do cmp -s \"$f\" \"dst/${f#src/}\" || exit 1; done"), runs)},
            {"diff -rq", median(in(large, "diff -rq src dst"), runs)},
            {"rsync -rcn", median(in(large, "rsync -rcn src/ dst/"), runs)}});
    fs::remove_all(large);

    const fs::path small = root / "small";
    const std::uint64_t smallBytes = manySmallFiles(small);
    report("100,000 identical files of 1-4 KiB in 1,000 folders", smallBytes,
           {{"qdlcheck", median(in(small, "'" + qdlcheck + "' --quiet src dst 2>/dev/null"), runs)},
            {"diff -rq", median(in(small, "diff -rq src dst"), runs)},
            {"rsync -rcn", median(in(small, "rsync -rcn src/ dst/"), runs)}});
    return 0;
}
