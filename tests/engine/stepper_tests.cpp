#include "engine/stepper.h"
#include "support/held_open.h"
#include "support/job_reading.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

FindRecord recordOf(const std::string& path) {
    FindRecord record{};
    EXPECT_EQ(lookUp(path.c_str(), &record), Presence::Found) << path;
    return record;
}

struct Snapshot {
    int returned;
    int code;  // of the pair the call ended, or -1
    std::uint64_t comparedBytes;
    int ratePercent;
    int total;
    bool operator==(const Snapshot&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s) {
    return out << "{" << s.returned << ", " << s.code << ", " << s.comparedBytes << ", "
               << s.ratePercent << ", " << s.total << "}";
}

// The stepper's worked example, with the list laid down in the example's order.
TEST(Stepper, WorkedExampleTwelveCalls) {
    TempTree tree;
    tree.folder("src/docs/old");
    tree.folder("dst/docs");
    const std::string a = patternBytes(70000);
    tree.file("src/a.txt", a);
    tree.file("dst/a.txt", a);
    tree.file("src/docs/b.txt", "0123456789");
    tree.file("dst/docs/b.txt", "012345678X");
    tree.file("src/z.dat", "12345");

    auto job = std::make_unique<QdlCore>(tree.win("src/*/*").c_str(), tree.win("dst/*/*").c_str(),
                                         StopByErrors);
    FindRecord none{};
    const FindRecord markerRecord{};
    FileInfList& list = writableState(*job).pairs;
    list.addPair(recordOf(tree.win("src/a.txt")), recordOf(tree.win("dst/a.txt")));
    list.addPair(recordOf(tree.win("src/docs")), recordOf(tree.win("dst/docs")));
    list.addPair(recordOf(tree.win("src/docs/b.txt")), recordOf(tree.win("dst/docs/b.txt")));
    list.addPair(recordOf(tree.win("src/docs/old")), none);
    list.addPair(markerRecord, none);
    list.addPair(recordOf(tree.win("src/z.dat")), none);
    list.addPair(markerRecord, none);
    writableState(*job).totalBytes = 70010;

    const Snapshot expected[] = {
        {0, -1, 0, 0, 0},         {0, -1, 32768, 46, 0},     {0, -1, 65536, 93, 0},
        {0, CodeOK, 70000, 99, 1}, {0, -1, 70000, 99, 1},    {0, -1, 70000, 99, 1},
        {0, CodeNEC, 70010, 100, 2}, {0, CodeSOD, 70010, 100, 3}, {0, -1, 70010, 100, 3},
        {0, CodeSOF, 70010, 100, 4}, {0, -1, 70010, 100, 4}, {1, -1, 70010, 100, 4},
    };
    for (int call = 1; call <= 12; ++call) {
        const int totalBefore = job->stats.total;
        const int returned = compareStep(*job);
        // A counted result belongs to the pair taken last, just before the cursor.
        int code = -1;
        if (job->stats.total != totalBefore) code = job->pairs.cursorBlock->codes[job->pairs.cursorIndex - 1];
        const Snapshot got{returned, code, job->comparedBytes,
                           job->stats.ratePercent, job->stats.total};
        EXPECT_EQ(got, expected[call - 1]) << "call " << call;
        if (call == 1) {
            EXPECT_EQ(job->workSource, tree.win("src/a.txt"));
            EXPECT_EQ(job->workDestination, tree.win("dst/a.txt"));
            EXPECT_STREQ(job->stats.currentName, "a.txt");
        }
        if (call == 5) {
            EXPECT_EQ(job->workSource, tree.win("src/docs/"));
            EXPECT_EQ(job->workDestination, tree.win("dst/docs/"));
        }
        if (call == 9) {
            EXPECT_EQ(job->workSource, tree.win("src/"));
            EXPECT_EQ(job->workDestination, tree.win("dst/"));
        }
        if (call == 11) {
            EXPECT_EQ(job->workSource, tree.win() + "\\");
            EXPECT_EQ(job->workDestination, tree.win() + "\\");
        }
    }
    EXPECT_EQ(compareStep(*job), 1);  // stays at the end
    EXPECT_EQ(job->stats.total, 4);
    const auto rows = pairRows(*job);
    std::vector<int> codes;
    for (const auto& row : rows) codes.push_back(row.code);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 4, 5, 0, 6, 0}));
    EXPECT_EQ(job->stats.noDifference, 1);
    EXPECT_EQ(job->stats.notices, 0);
    EXPECT_EQ(job->stats.errors, 3);
    EXPECT_EQ(job->stats.fatalErrors, 0);
    EXPECT_FALSE(pairInProgress(*job));
}

// One file pair, planned in single-file mode; the test changes the files before stepping.
class FilePair : public ::testing::Test {
protected:
    void SetUp() override {
        tree.folder("src");
        tree.folder("dst");
    }
    void files(const std::string& source, const std::string& destination) {
        tree.file("src/f.bin", source);
        tree.file("dst/f.bin", destination);
    }
    QdlCore& plan() {
        job = plannedJob(tree.win("src/f.bin"), tree.win("dst/f.bin"));
        return *job;
    }
    // Runs the planned job to its end and gives the code of its one pair.
    int result() {
        if (!job) plan();
        calls = stepToEnd(*job);
        EXPECT_FALSE(pairInProgress(*job));
        EXPECT_EQ(job->stats.total, 1);
        return pairRows(*job).at(0).code;
    }
    TempTree tree;
    std::unique_ptr<QdlCore> job;
    int calls = 0;
};

TEST_F(FilePair, IdenticalFilesTakeOneCallToOpenAndOneCallPerChunk) {
    files(patternBytes(32768), patternBytes(32768));
    EXPECT_EQ(result(), CodeOK);
    EXPECT_EQ(calls, 2 + 1);
    EXPECT_EQ(job->stats.noDifference, 1);
    EXPECT_EQ(job->stats.ratePercent, 100);
}

TEST_F(FilePair, RateStepsThroughAFileOfThreeChunks) {
    files(patternBytes(70000), patternBytes(70000));
    QdlCore& planned = plan();
    std::vector<int> rates;
    while (compareStep(planned) == 0) rates.push_back(planned.stats.ratePercent);
    EXPECT_EQ(rates, (std::vector<int>{0, 46, 93, 100}));
    EXPECT_EQ(pairRows(planned).at(0).code, CodeOK);
}

TEST_F(FilePair, ContentsDifferingInTheLastByteOfTenBytes) {
    files("abcdefghij", "abcdefghiJ");
    EXPECT_EQ(result(), CodeNEC);
    EXPECT_EQ(job->stats.errors, 1);
    EXPECT_EQ(job->comparedBytes, 10u);
}

TEST_F(FilePair, DifferenceDeepInALargeFile) {
    std::string changed = patternBytes(200000);
    changed[150001] ^= 0x40;
    files(patternBytes(200000), changed);
    EXPECT_EQ(result(), CodeNEC);
    EXPECT_EQ(calls, 1 + 5 + 1);  // open, four equal chunks, the differing one, the end
    EXPECT_EQ(job->comparedBytes, 200000u);
}

TEST_F(FilePair, LongerDestinationWithAnEqualCommonPart) {
    files("common", "common and more");
    EXPECT_EQ(result(), CodeDIS);
    EXPECT_EQ(job->comparedBytes, 6u);
}

TEST_F(FilePair, LongerSourceAddsOnlyTheCommonLength) {
    files("common and more", "common");
    EXPECT_EQ(result(), CodeSID);
    EXPECT_EQ(job->stats.fatalErrors, 1);
    EXPECT_EQ(job->comparedBytes, 6u);
}

TEST_F(FilePair, EmptyFilesAreClassifiedAfterOneEmptyChunk) {
    files("", "");
    EXPECT_EQ(result(), CodeOK);
    EXPECT_EQ(calls, 3);
}

TEST_F(FilePair, EmptyOnOneSideOnly) {
    files("not empty", "");
    EXPECT_EQ(result(), CodeSID);
    EXPECT_EQ(job->comparedBytes, 0u);
    files("", "not empty");
    job.reset();
    EXPECT_EQ(result(), CodeDIS);
}

TEST_F(FilePair, LastWriteTimeDiffers) {
    files("same", "same");
    tree.touch("dst/f.bin", 2);
    tree.readOnly("dst/f.bin");  // attributes differ too: the time is reported first
    EXPECT_EQ(result(), CodeNET);
    EXPECT_EQ(job->stats.notices, 1);
}

TEST_F(FilePair, OnlyAttributesDiffer) {
    files("same", "same");
    tree.readOnly("dst/f.bin");
    EXPECT_EQ(result(), CodeNEA);
}

TEST_F(FilePair, DestinationMissing) {
    tree.file("src/f.bin", "alone");
    EXPECT_EQ(result(), CodeSOF);
    EXPECT_EQ(job->comparedBytes, 0u);
    EXPECT_EQ(job->stats.ratePercent, 0);
    EXPECT_EQ(calls, 2);
}

TEST_F(FilePair, SourceDeletedAfterPlanning) {
    files("gone soon", "gone soon");
    plan();
    fs::remove(tree.path("src/f.bin"));
    EXPECT_EQ(result(), CodeSOE);
    EXPECT_EQ(job->comparedBytes, 9u);
    EXPECT_EQ(job->stats.ratePercent, 100);
}

// Windows' share modes keep a reader from a file another program holds exclusively; POSIX has
// none, and a lock only programs that take one see protects nothing, so no reader takes one.
TEST_F(FilePair, SourceHeldExclusivelyByAnotherProgramAfterPlanning) {
    files("held", "held");
    plan();
    const HANDLE held = CreateFileA(tree.win("src/f.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
#ifdef _WIN32
    EXPECT_EQ(result(), CodeSOE);
#else
    EXPECT_EQ(result(), CodeOK);
#endif
    CloseHandle(held);
}

TEST_F(FilePair, EmptySourceThatCannotBeOpenedAddsNothing) {
    files("", "");
    plan();
    fs::remove(tree.path("src/f.bin"));
    EXPECT_EQ(result(), CodeSOE);
    EXPECT_EQ(job->comparedBytes, 0u);
}

TEST_F(FilePair, DestinationThatDoesNotOpenClosesTheSourceAgain) {
    files("gone", "gone");
    plan();
    fs::remove(tree.path("dst/f.bin"));
    EXPECT_EQ(result(), CodeDOE);
    EXPECT_EQ(job->comparedBytes, 4u);
    EXPECT_FALSE(heldOpen(tree.path("src/f.bin"))) << "the stepper left the source open";
}

TEST_F(FilePair, SourceTruncatedAfterPlanning) {
    files(patternBytes(70000), patternBytes(70000));
    plan();
    fs::resize_file(tree.path("src/f.bin"), 40000);
    EXPECT_EQ(result(), CodeSRE);
    EXPECT_EQ(job->comparedBytes, 70000u);
}

TEST_F(FilePair, DestinationTruncatedAfterPlanning) {
    files(patternBytes(70000), patternBytes(70000));
    plan();
    fs::resize_file(tree.path("dst/f.bin"), 10);
    EXPECT_EQ(result(), CodeDRE);
    EXPECT_EQ(calls, 3);
}

// A file that grew after planning has bytes nobody compared: never "OK!".
TEST_F(FilePair, FileThatGrewAfterPlanningIsNotIdentical) {
    for (const char* grown : {"src/f.bin", "dst/f.bin"}) {
        for (const std::size_t size : {std::size_t{0}, std::size_t{10}, std::size_t{65536}}) {
            files(patternBytes(size), patternBytes(size));
            plan();
            std::ofstream(tree.path(grown), std::ios::binary | std::ios::app) << "more";
            EXPECT_EQ(result(), grown[0] == 's' ? CodeSID : CodeDIS) << grown << ", " << size;
            EXPECT_EQ(job->comparedBytes, size);
            job.reset();
        }
    }
}

TEST_F(FilePair, SparseFilesPast4GiB) {
    constexpr std::uint64_t size = 5000000000u;
    tree.sparseFile("src/f.bin", size);
    tree.sparseFile("dst/f.bin", size);
    plan();
    EXPECT_EQ(job->totalBytes, size);
    fs::resize_file(tree.path("dst/f.bin"), 0);
    EXPECT_EQ(result(), CodeDRE);
    EXPECT_EQ(job->comparedBytes, size);
    EXPECT_EQ(job->stats.ratePercent, 100);
}

TEST(StepperFolders, DestinationThatIsAFolderDoesNotOpen) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst/f.txt");
    tree.file("src/f.txt", "file");
    auto job = plannedJob(tree.win("src/*.txt"), tree.win("dst/*.txt"));
    stepToEnd(*job);
    EXPECT_EQ(pairRows(*job).at(0).code, CodeDOE);
}

TEST(StepperFolders, FolderMissingAtTheDestinationIsOneErrorAndKeepsThePaths) {
    TempTree tree;
    tree.folder("src/old");
    tree.file("src/old/inside.txt", "never listed");
    tree.folder("dst");
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"));
    EXPECT_EQ(compareStep(*job), 0);
    EXPECT_EQ(job->stats.errors, 1);
    EXPECT_EQ(job->workSource, tree.win("src/*/*"));
    EXPECT_EQ(stepToEnd(*job), 2);
    EXPECT_EQ(job->stats.total, 1);
    EXPECT_EQ(compareStep(*job), 1);
}

TEST(StepperFolders, AbandonedPairClosesBothFilesAndStaysPending) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    tree.file("src/big.bin", patternBytes(300000));
    tree.file("dst/big.bin", patternBytes(300000));
    auto job = plannedJob(tree.win("src/big.bin"), tree.win("dst/big.bin"));
    ASSERT_EQ(compareStep(*job), 0);
    ASSERT_EQ(compareStep(*job), 0);
    ASSERT_TRUE(pairInProgress(*job));
    abandonPairInProgress(*job);
    EXPECT_FALSE(pairInProgress(*job));
    EXPECT_EQ(job->inProgress.sourceRemaining, 0u);
    EXPECT_EQ(job->inProgress.commonRemaining, 0u);
    EXPECT_EQ(pairRows(*job).at(0).code, toCompare);
    for (const char* side : {"src/big.bin", "dst/big.bin"}) {
        EXPECT_FALSE(heldOpen(tree.path(side))) << side;
    }
    auto fresh = plannedJob(tree.win("src/big.bin"), tree.win("dst/big.bin"));
    stepToEnd(*fresh);
    EXPECT_EQ(pairRows(*fresh).at(0).code, CodeOK);
}

TEST(ComputeRate, WholePercentBelow2To25AndNormalisedAbove) {
    auto owned = std::make_unique<QdlCore>("a", "b", StopByErrors);
    QdlCore& job = *owned;
    const struct {
        std::uint64_t total;
        std::uint64_t compared;
        int percent;
    } cases[] = {
        {70000, 32768, 46},
        {5000000000u, 2500000000u, 50},
        {0, 0, 100},
        {33554431, 33554430, 99},
        {1ull << 40, 1ull << 40, 100},
        {~0ull, ~0ull >> 1, 49},
    };
    for (const auto& c : cases) {
        JobState& state = writableState(job);
        state.totalBytes = c.total;
        state.comparedBytes = c.compared;
        EXPECT_EQ(computeRate(job), c.percent) << c.total << " " << c.compared;
    }
}

}  // namespace

#ifndef _WIN32
// Misuse of the engine's interfaces stops a tested build with the rule that was broken.
TEST(StepperMisuse, APairOpenedTwiceOrACodeSetBeforeAnyPairStopsTheRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempTree tree;
    tree.file("a.bin", "same");
    tree.file("b.bin", "same");
    const std::string a = tree.win("a.bin");
    const std::string b = tree.win("b.bin");
    unsigned char sourceBuffer[chunkSize + 4];
    unsigned char destinationBuffer[chunkSize + 4];
    PairComparison pair{};
    pair.sourceBuffer = sourceBuffer;
    pair.destinationBuffer = destinationBuffer;
    pair.chunk = chunkSize;
    ASSERT_EQ(openPair(pair, a.c_str(), b.c_str(), recordOf(a), recordOf(b)), pairGoesOn);
    EXPECT_DEATH(static_cast<void>(openPair(pair, a.c_str(), b.c_str(), recordOf(a), recordOf(b))),
                 "misuse: a pair is opened while its comparison is still open");
    closePair(pair);
    FileInfList list;
    EXPECT_DEATH(list.setLastCode(CodeOK), "misuse: a cursor names the pair before it");
}
#endif
