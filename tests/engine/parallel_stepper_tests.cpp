// Several pairs compared at once give the one-at-a-time answer: the same codes in the same list,
// counters, bytes and log lines, and a stop level that ends the run at the same pair.
#include "engine/parallel_stepper.h"
#include "engine/stop_rule.h"
#include "log_text/log_lines.h"
#include "support/held_open.h"
#include "support/job_reading.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace {

struct RunAnswer {
    std::vector<PairRow> rows;
    std::vector<std::int32_t> counters;  // no difference, notices, errors, fatal errors, total
    std::uint64_t comparedBytes;
    int ratePercent;
    std::string log;
    bool stopped;
    bool operator==(const RunAnswer&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RunAnswer& answer) {
    return out << answer.log << "compared " << answer.comparedBytes << ", stopped " << answer.stopped;
}

std::string logText(QdlCore& job) {
    LogReader reader;
    startLogReader(job, &reader);
    std::string text;
    while (const char* line = readLogLine(job, reader)) text += std::string(line) + "\n";
    return text;
}

// A tree with every kind of result; what only shows after planning (files removed, files cut
// short) is done between planning and stepping.
class ManyPairsAtOnce : public ::testing::Test {
protected:
    void SetUp() override {
        for (int folder = 0; folder < 4; ++folder) {
            for (int file = 0; file < 10; ++file) {
                const std::string name = "f" + std::to_string(folder) + "/same" + std::to_string(file);
                both(name, patternBytes(100 + 997 * file, folder * 10 + file));
            }
        }
        both("f1/large.bin", patternBytes(300000, 3));  // finishes well after the pairs behind it
        both("f0/newer.txt", "same");
        tree.touch("dst/f0/newer.txt", 5);                                // NET
        both("f1/readonly.txt", "same");
        tree.readOnly("dst/f1/readonly.txt");                             // NEA
        tree.file("src/f2/shorter.txt", "common");
        tree.file("dst/f2/shorter.txt", "common and more");               // DIS
        tree.file("src/f2/longer.txt", "common and more");
        tree.file("dst/f2/longer.txt", "common");                         // SID
        std::string changed = patternBytes(70000, 9);
        tree.file("src/f3/changed.bin", changed);
        changed[40000] ^= 1;
        tree.file("dst/f3/changed.bin", changed);                         // NEC
        tree.folder("src/f3/gone");                                       // SOD
        tree.file("src/f3/only.txt", "no copy");                          // SOF
        // Links to one file: a second pair of the run may hold it while another opens it.
        both("f3/linked.bin", "one file, many names");
        for (int i = 0; i < 6; ++i) {
            for (const std::string side : {"src/", "dst/"})
                fs::create_hard_link(tree.path(side + "f3/linked.bin"),
                                     tree.path(side + "f3/link" + std::to_string(i)));
        }
    }
    void both(const std::string& relative, const std::string& contents) {
        tree.file("src/" + relative, contents);
        tree.file("dst/" + relative, contents);
    }

    RunAnswer run(int jobs, StopLevel level = IgnoreAnyErrors) {
        for (const char* name : {"f2/cut.src", "f3/cut.dst", "f0/gone.src", "f0/gone.dst"})
            both(name, patternBytes(70000, 4));
        auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"), level);
        fs::remove(tree.path("src/f0/gone.src"));                                          // SOE
        fs::remove(tree.path("dst/f0/gone.dst"));                                          // DOE
        fs::resize_file(tree.path("src/f2/cut.src"), 50000);                              // SRE
        fs::resize_file(tree.path("dst/f3/cut.dst"), 10);                                 // DRE
        RunAnswer answer{};
        std::unique_ptr<ParallelStepper> parallel;
        if (jobs > 1) {
            parallel = std::make_unique<ParallelStepper>(*job);
            EXPECT_EQ(parallel->start(jobs), 0);
        }
        while ((parallel ? parallel->step() : compareStep(*job)) == 0) {
            if (stopRuleHolds(*job)) {
                answer.stopped = true;
                break;
            }
        }
        // What the progress line adds to the bytes recorded: nothing once every pair is, also after
        // pairs whose files did not open in a worker.
        if (parallel && !answer.stopped) {
            EXPECT_EQ(parallel->bytesInFlight(), 0u) << jobs << " jobs";
        }
        parallel.reset();
        EXPECT_FALSE(pairInProgress(*job));
        const CompareStats& s = job->stats;
        answer.counters = {s.noDifference, s.notices, s.errors, s.fatalErrors, s.total};
        answer.comparedBytes = job->comparedBytes;
        answer.ratePercent = s.ratePercent;
        answer.log = logText(*job);
        answer.rows = pairRows(*job);
        return answer;
    }

    TempTree tree;
};

TEST_F(ManyPairsAtOnce, EveryResultTheSameAsOnePairAtATime) {
    const RunAnswer one = run(1);
    for (const char* line : {"NET : f0\\newer.txt", "NEA : f1\\readonly.txt", "DIS : f2\\shorter.txt",
                             "SID : f2\\longer.txt", "NEC : f3\\changed.bin", "SOD : f3\\gone",
                             "SOF : f3\\only.txt", "SOE : f0\\gone.src", "DOE : f0\\gone.dst",
                             "SRE : f2\\cut.src", "DRE : f3\\cut.dst", "OK! : f3\\link5"})
        EXPECT_NE(one.log.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << one.log;
    EXPECT_FALSE(one.stopped);
    for (const int jobs : {2, 8}) EXPECT_EQ(run(jobs), one) << jobs << " jobs";
}

TEST_F(ManyPairsAtOnce, StopLevelEndsAtTheSamePairAndNothingBehindItCounts) {
    for (const StopLevel level : {StopByNotices, StopByErrors, StopByFatalErrors}) {
        const RunAnswer one = run(1, level);
        EXPECT_TRUE(one.stopped);
        int pending = 0;
        for (const PairRow& row : one.rows) pending += row.code == toCompare;
        EXPECT_GT(pending, 10) << "the run should stop in the middle, level " << level;
        for (const int jobs : {2, 8}) EXPECT_EQ(run(jobs, level), one) << jobs << " jobs, level " << level;
    }
}

// Abandoning a run in the middle of large files closes every file the workers had open.
TEST(ParallelStepper, AbandonClosesEveryOpenFile) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    for (int i = 0; i < 4; ++i) {
        tree.sparseFile("src/big" + std::to_string(i), 1ull << 30);
        tree.sparseFile("dst/big" + std::to_string(i), 1ull << 30);
    }
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"), IgnoreAnyErrors);
    auto parallel = std::make_unique<ParallelStepper>(*job);
    ASSERT_EQ(parallel->start(4), 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (parallel->bytesInFlight() < (64u << 20) && std::chrono::steady_clock::now() < until)
        ASSERT_EQ(parallel->step(), 0);
    parallel->abandon();
    EXPECT_EQ(job->stats.total, 0);
    for (int i = 0; i < 4; ++i) {
        for (const char* side : {"src/big", "dst/big"}) {
            EXPECT_FALSE(heldOpen(tree.path(side + std::to_string(i)))) << side << i << " is still open";
        }
    }
}

}  // namespace
