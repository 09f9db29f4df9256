#include "engine/qdl_core.h"
#include "support/job_reading.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const PairRow marker{".", "", toCompare};

std::unique_ptr<QdlCore> constructed(const std::string& source, const std::string& destination) {
    return std::make_unique<QdlCore>(source.c_str(), destination.c_str(), StopByErrors);
}

TEST(Normalisation, EverySpecificationGetsADriveAColonAndABackslash) {
    const struct {
        const char* typed;
        const char* normalised;
    } cases[] = {
        {"dst\\a.txt", "C:\\dst\\a.txt"},
        {"\\dst\\a.txt", "C:\\dst\\a.txt"},
        {"D:dst\\a.txt", "D:\\dst\\a.txt"},
        {"D:\\dst\\a.txt", "D:\\dst\\a.txt"},
        {"d:\\dst\\a.txt", "d:\\dst\\a.txt"},
        {"D:", "D:\\"},
        {"\\\\host\\share\\a.txt", "C:\\\\host\\share\\a.txt"},
        {"dst/a.txt", "C:\\dst/a.txt"},
        {"", "C:\\"},
    };
    for (const auto& c : cases) {
        auto job = constructed(c.typed, c.typed);
        EXPECT_STREQ(job->sourceRoot, c.normalised) << c.typed;
        EXPECT_STREQ(job->workSource, c.normalised) << c.typed;
        EXPECT_STREQ(job->destinationRoot, c.normalised) << c.typed;
        EXPECT_STREQ(job->workDestination, c.normalised) << c.typed;
    }
}

TEST(Normalisation, LongSpecificationsAreCutTo259Characters) {
    const std::string typed(300, 'x');
    auto job = constructed(typed, "D:" + typed);
    EXPECT_EQ(std::string(job->sourceRoot), "C:\\" + std::string(256, 'x'));
    EXPECT_EQ(std::string(job->destinationRoot), "D:\\" + std::string(256, 'x'));
}

TEST(Normalisation, DestinationPrefixEndsAfterTheLastBackslashBeforeAWildcard) {
    EXPECT_EQ(constructed("a", "D:\\dst\\*.*")->destinationPrefixLength, 7);
    EXPECT_EQ(constructed("a", "D:\\dst\\")->destinationPrefixLength, 7);
    EXPECT_EQ(constructed("a", "D:\\dst")->destinationPrefixLength, 3);
    EXPECT_EQ(constructed("a", "D:\\d?t\\x\\*.*")->destinationPrefixLength, 3);
    EXPECT_EQ(constructed("a", "dst\\*.*")->destinationPrefixLength, 7);
}

TEST(Normalisation, ANewJobStartsEmptyAndAtZero) {
    auto job = constructed("C:\\src\\*.*", "D:\\dst\\*.*");
    EXPECT_EQ(job->totalBytes, 0u);
    EXPECT_EQ(job->comparedBytes, 0u);
    EXPECT_EQ(job->stats.total, 0);
    EXPECT_EQ(job->stats.currentName, nullptr);
    EXPECT_EQ(job->stats.ratePercent, 0);
    EXPECT_EQ(job->options.stopLevel, StopByErrors);
    EXPECT_TRUE(pairRows(*job).empty());
}

class Planning : public ::testing::Test {
protected:
    void SetUp() override {
        tree.folder("src/sub");
        tree.folder("dst/sub");
        tree.file("src/a.txt", "alpha");
        tree.file("src/ab.txt", "ab");
        tree.file("src/c.dat", "c");
        tree.file("src/sub/b.txt", "b");
        tree.file("dst/a.txt", "alpha, longer");
        tree.file("dst/ab.txt", "ab");
        tree.file("dst/sub/b.txt", "b");
        tree.file("src/.profile", "hidden");
        tree.file("dst/.profile", "hidden");
    }
    TempTree tree;
};

TEST_F(Planning, SingleFilePairsTheSourceWithTheDestinationAndCountsTheSourceSize) {
    auto job = plannedJob(tree.win("src/a.txt"), tree.win("dst/a.txt"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{{"a.txt", "a.txt", toCompare}}));
    EXPECT_EQ(job->totalBytes, 5u);
}

TEST_F(Planning, SingleFileWithAFolderForDestinationHasNoDestinationAndNoTotal) {
    auto job = plannedJob(tree.win("src/a.txt"), tree.win("dst/sub"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{{"a.txt", "", toCompare}}));
    EXPECT_EQ(job->totalBytes, 0u);
    auto missing = plannedJob(tree.win("src/a.txt"), tree.win("dst/none.txt"));
    EXPECT_EQ(pairRows(*missing), (std::vector<PairRow>{{"a.txt", "", toCompare}}));
}

TEST_F(Planning, SingleFileDestinationWithAWildcardTakesTheFirstMatch) {
    auto job = plannedJob(tree.win("src/c.dat"), tree.win("dst/ab.*"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{{"c.dat", "ab.txt", toCompare}}));
    EXPECT_EQ(job->totalBytes, 1u);
}

TEST_F(Planning, ADotNameIsAFileLikeAnyOther) {
    auto job = plannedJob(tree.win("src/.profile"), tree.win("dst/.profile"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{{".profile", ".profile", toCompare}}));
    EXPECT_EQ(job->totalBytes, 6u);
}

TEST_F(Planning, SourcesThatAreNoPlainFileRecordNothing) {
    for (const std::string source : {"src/", "src", "src/none.txt"}) {
        auto job = plannedJob(tree.win(source), tree.win("dst/a.txt"));
        EXPECT_EQ(job->plan(), 0);
        EXPECT_TRUE(pairRows(*job).empty()) << source;
    }
}

TEST_F(Planning, WildcardsChooseFolderPatternMode) {
    auto star = plannedJob(tree.win("src/*.txt"), tree.win("dst/"));
    EXPECT_EQ(pairRows(*star).size(), 2u);  // a.txt, ab.txt; no folder, no marker
    auto question = plannedJob(tree.win("src/a?.txt"), tree.win("dst/"));
    EXPECT_EQ(pairRows(*question), (std::vector<PairRow>{{"ab.txt", "ab.txt", toCompare}}));
    auto all = plannedJob(tree.win("src/*"), tree.win("dst/*"));
    EXPECT_EQ(pairRows(*all).size(), 4u);  // .profile too; the folder sub is not recorded
    EXPECT_EQ(all->totalBytes, 6u + 5u + 2u);  // c.dat has no destination
}

TEST_F(Planning, StarBetweenBackslashesChoosesTreeMode) {
    auto job = plannedJob(tree.win("src/*/*.txt"), tree.win("dst/*/*.txt"));
    const auto rows = pairRows(*job);
    EXPECT_EQ(rows.size(), 3u);  // a.txt, ab.txt, the marker: "sub" does not match *.txt
    EXPECT_EQ(rows.back(), marker);
    auto everything = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"));
    EXPECT_EQ(pairRows(*everything).size(), 8u);  // 4 files, sub, b.txt, 2 markers
    EXPECT_EQ(everything->totalBytes, 6u + 5u + 2u + 1u);
}

TEST_F(Planning, EmptyTreePatternSearchesTheFolderPathAndFindsNothing) {
    auto job = plannedJob(tree.win("src/*/"), tree.win("dst/*/"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{marker}));
}

TEST_F(Planning, AFolderAfterTheFirstWildcardIsRefused) {
    for (const std::string source : {"s?c/*.txt", "src/*/sub/*.txt", "src/*.txt/x"}) {
        auto job = constructed(tree.win(source), tree.win("dst/*.*"));
        EXPECT_EQ(job->plan(), 1) << source;
        EXPECT_TRUE(pairRows(*job).empty()) << source;
        EXPECT_EQ(job->totalBytes, 0u);
    }
}

}  // namespace
