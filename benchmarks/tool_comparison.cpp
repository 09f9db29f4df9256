// qdlcheck, with one and several pairs at a time, beside the standard tools, each run as a whole
// process on the same generated trees: wall time, CPU time and peak memory, medians of several
// runs, and the ratios to a baseline. The trees live in a private temporary folder that is removed
// at the end. They are read from the page cache (one unmeasured run of each command first), or,
// for the cold case, from the disk: the caches are dropped before each run (root only). Beside the
// times, the system calls each pair costs, counted.
//
//   tool_comparison QDLCHECK PARALLEL_READER [runs]
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The private folders of the trees, removed at exit whatever happened.
std::vector<fs::path> benchRoots;

void removeTrees() {
    std::error_code ignored;
    for (const auto& root : benchRoots) fs::remove_all(root, ignored);
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
        // Memory just freed is handed back to the host for a while after: a run then would pay for it.
        if (cache == Cache::Cold) {
            dropCaches();
            sleep(3);
        }
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

// Empty files, `perFolder` in each folder, on both sides, all written at one time.
void manyEmptyFiles(const fs::path& root, int folders, int perFolder) {
    const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
    for (int folder = 0; folder < folders; ++folder) {
        const fs::path name = "folder" + std::to_string(folder);
        for (const char* side : {"src", "dst"}) {
            fs::create_directories(root / side / name);
            for (int file = 0; file < perFolder; ++file) {
                const int made = open((root / side / name / ("file" + std::to_string(file))).c_str(),
                                      O_WRONLY | O_CREAT, 0644);
                futimens(made, times);
                close(made);
            }
        }
    }
}

// Seconds from the start of the command until it writes a given byte to one of its outputs (the
// first line's end on standard output, the progress line's first share on standard error), medians
// of several runs; the command is ended once it has written it.
double secondsUntil(const std::string& command, int runs, int descriptor, char awaited) {
    std::vector<double> values;
    for (int i = 0; i < runs; ++i) {
        int output[2];
        if (pipe(output) != 0) std::exit(1);
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            dup2(output[1], descriptor);
            close(output[0]);
            close(output[1]);
            setpgid(0, 0);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(output[1]);
        char byte = 0;
        while (read(output[0], &byte, 1) == 1 && byte != awaited) {
        }
        values.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        kill(-child, SIGTERM);  // the shell and the command it started
        close(output[0]);
        waitpid(child, nullptr, 0);
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The system calls a command makes per pair, counted (not timed) at the kernel's entry by perf over
// all its threads, which it does not slow (a tracer would, and add waits of its own); the few calls
// of starting a process are spread over the pairs too. 0 where perf cannot count them.
double callsPerPair(const std::string& command, std::uint64_t pairs) {
    char counts[] = "/tmp/quendle-calls-XXXXXX";
    const int made = mkstemp(counts);
    if (made < 0) return 0;
    close(made);
    runOnce("perf stat -x, -e raw_syscalls:sys_enter -o '" + std::string(counts) + "' sh -c \"" + command +
            "\"");
    std::ifstream table(counts);
    std::string line;
    double calls = 0;
    while (std::getline(table, line))
        if (line.find("raw_syscalls:sys_enter") != std::string::npos) calls = std::atof(line.c_str());
    fs::remove(counts);
    return calls / static_cast<double>(pairs);
}

std::uint64_t manySmallFiles(const fs::path& root, int folders, int perFolder = 100) {
    std::minstd_rand generator(11);
    std::uint64_t bytes = 0;
    for (int folder = 0; folder < folders; ++folder) {
        const fs::path name = "folder" + std::to_string(folder);
        for (const char* side : {"src", "dst"}) fs::create_directories(root / side / name);
        for (int file = 0; file < perFolder; ++file) {
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

// The last columns are each row's wall time over the baseline rows'.
void report(const char* title, std::uint64_t bytes, const std::vector<Row>& rows,
            const std::vector<std::size_t>& baselines) {
    std::printf("\n%s (%.0f MB per side), medians:\n", title, bytes / 1e6);
    std::printf("  %-26s %9s %9s %10s %10s", "tool", "wall s", "cpu s", "MB/s", "peak MB");
    for (const std::size_t baseline : baselines) std::printf("   x %-12s", rows[baseline].tool.c_str());
    std::printf("\n");
    for (const auto& row : rows) {
        std::printf("  %-26s %9.3f %9.3f %10.0f %10.1f", row.tool.c_str(), row.measure.wall,
                    row.measure.cpu, bytes / 1e6 / row.measure.wall, row.measure.peakKilobytes / 1024.0);
        for (const std::size_t baseline : baselines)
            std::printf("   %12.2f", row.measure.wall / rows[baseline].measure.wall);
        std::printf("\n");
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tool_comparison QDLCHECK PARALLEL_READER [runs [QDLCHECK_MPI MPIEXEC]]\n");
        return 2;
    }
    const std::string qdlcheck = fs::absolute(argv[1]).string();
    const std::string reader = fs::absolute(argv[2]).string();
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    // qdlcheck-mpi with 4 ranks on this machine, where it was built.
    const std::string mpi = argc > 5 ? "OMPI_MCA_btl_vader_single_copy_mechanism=none '" + std::string(argv[5]) +
                                           "' --oversubscribe --allow-run-as-root -np 4 '" +
                                           fs::absolute(argv[4]).string() + "'"
                                     : "";
    char pattern[] = "/tmp/quendle-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const fs::path root = pattern;
    benchRoots.push_back(root);
    std::atexit(removeTrees);
    const auto in = [&](const fs::path& tree, const std::string& command) {
        return "cd '" + tree.string() + "' && " + command;
    };

    // The default number of jobs first, then one, four and eight pairs at a time.
    // Beside qdlcheck --jobs 4 (the third row): what the messages between processes cost.
    const auto mpiRow = [&](const fs::path& tree, std::vector<Row>& rows) {
        if (mpi.empty()) return;
        rows.push_back({"mpirun -np 4 qdlcheck-mpi --jobs 4",
                        median(in(tree, mpi + " --quiet --jobs 4 src dst 2>/dev/null"), runs)});
    };
    const auto mpiRatio = [&](const std::vector<Row>& rows) {
        for (const Row& row : rows)
            if (row.tool.rfind("mpirun", 0) == 0)
                std::printf("  %s / qdlcheck --jobs 4: %.2f\n", row.tool.c_str(), row.measure.wall / rows[2].measure.wall);
    };
    const auto qdlcheckRows = [&](const fs::path& tree, int runs, Cache cache) {
        std::vector<Row> rows;
        rows.push_back({"qdlcheck", median(in(tree, "'" + qdlcheck + "' --quiet src dst 2>/dev/null"), runs, cache)});
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
    mpiRow(large, rows);
    report("8 identical files of 256 MiB", largeBytes, rows, {4});
    mpiRatio(rows);
    fs::remove_all(large);

    const fs::path small = root / "small";
    const std::uint64_t smallBytes = manySmallFiles(small, 1000);
    rows = qdlcheckRows(small, runs, Cache::Warm);
    // What the formats for scripts and mirrors cost beside the plain run above (--jobs 4).
    for (const char* option : {"--format json", "--extra"})
        rows.push_back({std::string("qdlcheck --jobs 4 ") + option,
                        median(in(small, "'" + qdlcheck + "' --jobs 4 " + option + " src dst >/dev/null 2>&1"),
                               runs)});
    rows.push_back({"qdlcheck --list-first",
                    median(in(small, "'" + qdlcheck + "' --quiet --list-first src dst"), runs)});
    rows.push_back({"diff -rq", median(in(small, "diff -rq src dst"), runs)});
    rows.push_back({"rsync -rcn", median(in(small, "rsync -rcn src/ dst/"), runs)});
    report("100,000 identical files of 1-4 KiB in 1,000 folders", smallBytes, rows, {rows.size() - 2});
    std::vector<Row> spread = {rows[0], rows[1], rows[2]};
    mpiRow(small, spread);
    mpiRatio(spread);
    const long smallPeak = rows[0].measure.peakKilobytes;
    const auto printCalls = [&](const fs::path& tree, std::uint64_t pairs) {
        for (const char* jobs : {"", "--jobs 1 ", "--jobs 4 "})
            std::printf("  calls per pair, qdlcheck %-10s %6.2f\n", jobs,
                        callsPerPair(in(tree, "'" + qdlcheck + "' --quiet " + jobs + "src dst"), pairs));
        std::printf("  calls per pair, %-19s %6.2f\n", "diff -rq", callsPerPair(in(tree, "diff -rq src dst"), pairs));
    };
    printCalls(small, 100000);
    fs::remove_all(small);
    const fs::path narrow = root / "narrow";
    manySmallFiles(narrow, 2000, 10);
    std::printf("\n20,000 identical files of 1-4 KiB in 2,000 folders of 10:\n");
    printCalls(narrow, 20000);
    fs::remove_all(narrow);

    // A million entries are made in memory where there is room for them (this disk makes files
    // slowly): the page cache holds the others all the same.
    char manyPattern[] = "/dev/shm/quendle-bench-XXXXXX";
    const fs::path many = fs::exists("/dev/shm") && mkdtemp(manyPattern) != nullptr
        ? fs::path(manyPattern) : root / "many";
    benchRoots.push_back(many);
    manyEmptyFiles(many, 1000, 1000);
    rows = {};
    rows.push_back({"qdlcheck", median(in(many, "'" + qdlcheck + "' --quiet src dst 2>/dev/null"), runs)});
    rows.push_back({"qdlcheck --jobs 1", median(in(many, "'" + qdlcheck + "' --quiet --jobs 1 src dst 2>/dev/null"), runs)});
    rows.push_back({"diff -rq", median(in(many, "diff -rq src dst"), runs)});
    report("1,000,000 empty files in 1,000 folders", 0, rows, {2});
    std::printf("  peak memory of qdlcheck: %.1f MiB, %.2f x that of the 100,000-file tree\n",
                rows[0].measure.peakKilobytes / 1024.0,
                static_cast<double>(rows[0].measure.peakKilobytes) / static_cast<double>(smallPeak));
    // One difference in the first folder: how soon its line comes.
    std::ofstream(many / "dst/folder0/file1") << "x";
    fs::last_write_time(many / "dst/folder0/file1", fs::last_write_time(many / "src/folder0/file1"));
    std::printf("  first line with a difference in the first folder: %.3f s (median)\n",
                secondsUntil(in(many, "'" + qdlcheck + "' src dst"), runs, 1, '\n'));
    std::printf("  first share on the progress line: %.3f s (median)\n",
                secondsUntil(in(many, "'" + qdlcheck + "' --progress src dst >/dev/null"), runs, 2, '%'));
    fs::remove_all(many);

    if (!dropCaches()) {
        std::printf("\nCold cache: SKIPPED, the caches cannot be dropped here (needs root).\n");
        return 0;
    }
    const fs::path cold = root / "cold";
    const std::uint64_t coldBytes = manySmallFiles(cold, 200);
    rows = qdlcheckRows(cold, runs, Cache::Cold);
    rows.push_back({"diff -rq", median(in(cold, "diff -rq src dst"), runs, Cache::Cold)});
    rows.push_back({"8 threads reading all",
                    median(in(cold, "'" + reader + "' src dst"), runs, Cache::Cold)});
    report("20,000 identical files of 1-4 KiB in 200 folders, caches dropped before each run",
           coldBytes, rows, {rows.size() - 2, rows.size() - 1});
    return 0;
}
