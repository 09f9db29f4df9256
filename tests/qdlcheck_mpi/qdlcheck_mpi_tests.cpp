// qdlcheck-mpi under mpirun, as a cluster user runs it: the same standard output, log bytes,
// exit status and messages as qdlcheck --jobs 1, whatever the number of ranks; a rank killed in
// the middle of a run ends it with a status that is not clean and a log that is whole.
#include "cli/exit_bits.h"
#include "support/shell_command.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>

namespace {

struct Outcome {
    std::string out;
    std::string err;
    std::string log;
    int status;
};

// What the launcher adds: its boxed notices and its "[host:pid]" hints.
std::string withoutLauncherText(const std::string& text) {
    std::istringstream in(text);
    std::string kept;
    bool boxed = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("-----", 0) == 0) {
            boxed = !boxed;
            continue;
        }
        if (boxed || line.rfind("[", 0) == 0) continue;
        kept += line + "\n";
    }
    return kept;
}

// Times differ from run to run.
std::string withoutTimes(const std::string& text) {
    static const std::regex seconds(R"(in [0-9.]+ s \([0-9.]+ [kMG]?B/s\)|"seconds":[0-9.e+-]+)");
    return std::regex_replace(text, seconds, "<time>");
}

class UnderMpirun : public ::testing::Test {
protected:
    void SetUp() override {
        for (int top = 0; top < 6; ++top)
            for (int file = 0; file < 12; ++file)
                both("d" + std::to_string(top) + "/sub/f" + std::to_string(file) + ".txt", patternBytes(40 + file, top));
        both("d0/newer.txt", "same");
        tree.touch("dst/d0/newer.txt", 5);                           // NET
        tree.file("src/d1/changed.bin", "abcdefgh");
        tree.file("dst/d1/changed.bin", "abcdXfgh");                 // NEC
        tree.file("src/d2/short.txt", "common");
        tree.file("dst/d2/short.txt", "common and more");            // DIS
        tree.file("src/d3/only.txt", "no copy");                     // SOF
        tree.file("src/d3/gone/inside.txt", "no copy");              // SOD
        tree.file("dst/d4/extra.txt", "only in the copy");           // DOF with --extra
        tree.file("dst/d4/extra/inside.txt", "only in the copy");    // DOD with --extra
        tree.link("..", "src/d5/up");                                // a folder above: SOE
        tree.link("..", "dst/d5/up");
        both("d5/line\nbreak.txt", "a name with a newline");
        both("d5/skip.tmp", "left out with --exclude");
        // Large pairs, compared in ranges by the ranks: equal, and differing in a later range only.
        for (const char* side : {"src/d6/", "dst/d6/"}) {
            tree.folder(side);
            tree.sparseFile(std::string(side) + "equal.img", 40 << 20);
            tree.sparseFile(std::string(side) + "differs.img", 40 << 20);
        }
        {
            std::fstream differs(tree.path("dst/d6/differs.img"), std::ios::in | std::ios::out | std::ios::binary);
            differs.seekp((20 << 20) + 5);
            differs.put('x');
        }
        tree.touch("dst/d6/differs.img", 0);                        // NEC at 20 MiB + 5
        tree.sparseFile("src/d6/longer.img", (40 << 20) + 4);
        tree.sparseFile("dst/d6/longer.img", 40 << 20);             // SID
    }
    void both(const std::string& relative, const std::string& contents) {
        tree.file("src/" + relative, contents);
        tree.file("dst/" + relative, contents);
    }

    // The command's output, messages, status and log (an earlier log stands in its place first).
    Outcome run(const std::string& command) {
        const fs::path out = tree.path("run.out");
        const fs::path err = tree.path("run.err");
        const fs::path log = tree.path("run.log");
        tree.file("run.log", "an earlier log\n");
        const int waited = std::system((command + " --log " + shellQuoted(log.string()) + " >" +
                                        shellQuoted(out.string()) + " 2>" + shellQuoted(err.string()))
                                           .c_str());
        return {contentsOf(out), contentsOf(err), contentsOf(log), WIFEXITED(waited) ? WEXITSTATUS(waited) : -1};
    }
    std::string mpirun(int ranks) const {
        return "OMPI_MCA_odls_base_sigkill_timeout=" + std::to_string(sigkillSeconds) + " " + std::string(MPIEXEC) + " --oversubscribe --allow-run-as-root -np " + std::to_string(ranks) + " " +
               QDLCHECK_MPI_PROGRAM;
    }
    std::string sides(const std::string& source = "src", const std::string& destination = "dst") const {
        return " " + shellQuoted(tree.path(source).string()) + " " + shellQuoted(tree.path(destination).string());
    }

    void expectSameAnswer(const std::string& arguments, const std::vector<int>& rankCounts) {
        const Outcome one = run(std::string(QDLCHECK_PROGRAM) + " --jobs 1 " + arguments);
        ASSERT_NE(one.status, ExitCannotCompare) << arguments << "\n" << one.err;
        for (const int ranks : rankCounts) {
            const Outcome spread = run(mpirun(ranks) + " " + arguments);
            EXPECT_EQ(spread.status, one.status) << ranks << " ranks: " << arguments << "\n" << spread.err;
            EXPECT_EQ(withoutTimes(spread.out), withoutTimes(one.out)) << ranks << " ranks: " << arguments;
            EXPECT_EQ(spread.log, one.log) << ranks << " ranks: " << arguments;
            EXPECT_EQ(withoutTimes(withoutLauncherText(spread.err)), withoutTimes(one.err))
                << ranks << " ranks: " << arguments;
        }
    }

    TempTree tree;
    // Open MPI's grace between its SIGTERM and its SIGKILL is half of this, none by default.
    int sigkillSeconds = 1;
};

TEST_F(UnderMpirun, TheSameAnswerAsOneProcess) {
    const std::string both = sides();
    expectSameAnswer(both, {1, 2, 4});
    expectSameAnswer("--stop errors" + both, {2, 4});
    for (const std::string options : {"--extra", "--top", "--all --format json", "--null --stop fatal",
                                      "--stop notices", "--exclude '*.tmp' --extra"})
        expectSameAnswer(options + both, {4});
    // A pattern, and a single file: nothing for the other ranks to list.
    expectSameAnswer(sides("src/d2/*.txt", "dst/d2"), {3});
    expectSameAnswer(sides("src/d1/changed.bin", "dst/d1/changed.bin"), {2});
}

// A process of the program (or the launcher, for an empty variable) whose environment holds the
// variable; 0 when there is none yet.
pid_t processOf(const std::string& variable) {
    const std::string program = variable.empty() ? MPIEXEC : QDLCHECK_MPI_PROGRAM;
    for (const fs::directory_entry& process : fs::directory_iterator("/proc")) {
        std::ifstream command(process.path() / "cmdline", std::ios::binary);
        std::string words((std::istreambuf_iterator<char>(command)), std::istreambuf_iterator<char>());
        if (words.find(program) != 0 || words.find("--jobs") == std::string::npos) continue;
        std::ifstream environment(process.path() / "environ", std::ios::binary);
        for (std::string found; variable.empty() || std::getline(environment, found, '\0');)
            if (variable.empty() || found == variable) return static_cast<pid_t>(std::stoi(process.path().filename().string()));
    }
    return 0;
}

// A run that compares long enough for a rank to be killed while it goes on: the rank numbered 1
// is killed once rank 0 has made its log's temporary file.
class KilledUnderMpirun : public UnderMpirun {
protected:
    void SetUp() override {
        UnderMpirun::SetUp();
        // Files large enough that the run is still comparing them; sparse, so that they cost no room.
        for (const char* side : {"src/zz/large", "dst/zz/large"}) {
            tree.folder(fs::path(side).parent_path().string());
            tree.sparseFile(side, 6ull << 30);
        }
        // The grace the manual asks for: rank 0 writes its log between the SIGTERM and the SIGKILL.
        sigkillSeconds = 4;
    }

    Outcome runKilling(bool launcher) {
        const fs::path root = tree.root;
        std::thread killer([root, launcher] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
            auto started = [&root] {
                for (const fs::directory_entry& entry : fs::directory_iterator(root))
                    if (entry.path().filename().string().rfind(".qdlcheck-", 0) == 0) return true;
                return false;
            };
            pid_t rank = 0;
            while ((rank == 0 || !started()) && std::chrono::steady_clock::now() < until) {
                rank = processOf(launcher ? "" : "OMPI_COMM_WORLD_RANK=1");
                std::this_thread::yield();
            }
            if (rank != 0) kill(rank, launcher ? SIGTERM : SIGKILL);
        });
        const Outcome outcome = run(mpirun(3) + " --jobs 1" + sides());
        killer.join();
        return outcome;
    }
};

TEST_F(KilledUnderMpirun, ARankKilledEndsTheRunAsInterruptedWithAWholeLog) {
    const Outcome killed = runKilling(false);
    EXPECT_NE(killed.status, 0) << killed.err;
    EXPECT_NE(killed.log.find("NOT every entry was compared: interrupted"), std::string::npos)
        << (killed.log == "an earlier log\n" ? "the earlier log" : killed.log.substr(killed.log.size() - 300));
    EXPECT_NE(killed.err.find("NOT every entry was compared: interrupted"), std::string::npos) << killed.err;
}

TEST_F(KilledUnderMpirun, SigtermToTheLauncherEndsTheRunAsCtrlCDoes) {
    const Outcome stopped = runKilling(true);
    EXPECT_NE(stopped.status, 0) << stopped.err;
    EXPECT_NE(stopped.log.find("NOT every entry was compared: interrupted"), std::string::npos);
    EXPECT_NE(stopped.err.find("NOT every entry was compared: interrupted"), std::string::npos) << stopped.err;
}

}  // namespace
