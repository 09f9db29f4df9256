#include "engine/enumeration.h"
#include "engine/qdl_core.h"
#include "support/job_reading.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const PairRow marker{".", "", toCompare};

using Blocks = std::map<std::string, std::vector<PairRow>>;

// The rows of each entry of a folder, in the order the platform lists that folder.
std::vector<PairRow> inListingOrder(const std::string& folder, const Blocks& blocks) {
    std::vector<PairRow> rows;
    FolderListing listing;
    for (bool more = firstEntry((folder + "\\*").c_str(), &listing); more; more = nextEntry(&listing)) {
        const auto block = blocks.find(listing.entry.name);
        if (block != blocks.end()) rows.insert(rows.end(), block->second.begin(), block->second.end());
    }
    EXPECT_EQ(listing.failure, 0u);
    return rows;
}

std::vector<PairRow> concatenated(std::vector<PairRow> rows, const std::vector<PairRow>& more) {
    rows.insert(rows.end(), more.begin(), more.end());
    return rows;
}

class TreeExample : public ::testing::Test {
protected:
    void SetUp() override {
        tree.folder("src/lib/deep");
        tree.folder("src/old");
        tree.file("src/a.txt", patternBytes(1200));
        tree.file("src/.profile", "a name like any other");
        tree.file("src/lib/m.c", patternBytes(300));
        tree.file("src/lib/deep/x.h", "x");
        tree.file("src/old/y.txt", "y");
        tree.file("src/z.txt", patternBytes(45));
        tree.folder("dst/lib/deep");
        tree.file("dst/a.txt", patternBytes(1200));
        tree.file("dst/lib/m.c", patternBytes(300));
        tree.file("dst/z.txt", patternBytes(45));
    }
    TempTree tree;
};

TEST_F(TreeExample, DepthFirstListWithMarkersAndLookups) {
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"));
    const auto deep = concatenated({{"deep", "deep", toCompare}}, {{"x.h", "", toCompare}, marker});
    const auto lib = concatenated(
        concatenated({{"lib", "lib", toCompare}},
                     inListingOrder(tree.win("src/lib"),
                                    {{"m.c", {{"m.c", "m.c", toCompare}}}, {"deep", deep}})),
        {marker});
    const auto expected = concatenated(
        inListingOrder(tree.win("src"), {{".profile", {{".profile", "", toCompare}}},
                                         {"a.txt", {{"a.txt", "a.txt", toCompare}}},
                                         {"lib", lib},
                                         {"old", {{"old", "", toCompare}}},
                                         {"z.txt", {{"z.txt", "z.txt", toCompare}}}}),
        {marker});
    EXPECT_EQ(expected.size(), 11u);
    EXPECT_EQ(pairRows(*job), expected);
    EXPECT_EQ(job->totalBytes, 1200u + 300u + 45u);
    EXPECT_FALSE(job->listIncomplete());
}

TEST_F(TreeExample, FolderPatternHasNoFoldersAndNoMarkers) {
    auto job = plannedJob(tree.win("src/*.txt"), tree.win("dst/"));
    EXPECT_EQ(job->destinationPrefixLength, static_cast<int>(tree.win("dst/").size()));
    EXPECT_EQ(pairRows(*job),
              inListingOrder(tree.win("src"), {{"a.txt", {{"a.txt", "a.txt", toCompare}}},
                                               {"z.txt", {{"z.txt", "z.txt", toCompare}}}}));
    EXPECT_EQ(job->totalBytes, 1245u);
}

TEST_F(TreeExample, DestinationPatternTakesNoPartInFolderLookups) {
    auto job = plannedJob(tree.win("src/*.txt"), tree.win("dst/*.bak"));
    EXPECT_STREQ(buildDestinationPath(*job, "a.txt"), tree.win("dst/a.txt").c_str());
    EXPECT_EQ(pairRows(*job).size(), 2u);
    EXPECT_EQ(job->totalBytes, 1245u);
}

// An empty folder is listed cleanly; a missing one cannot be listed, in both modes: its line
// names it ".".
TEST(TreeEnumeration, EmptyStartingFolderYieldsOneMarkerAMissingOneAnError) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{marker}));
    EXPECT_TRUE(plannedJob(tree.win("src/*.*"), tree.win("dst/"))->pairs.first.count == 0);
    const PairRow unlisted{".", "", plannedSourceError};
    auto missing = plannedJob(tree.win("none/*/*"), tree.win("dst/*/*"));
    EXPECT_EQ(pairRows(*missing), (std::vector<PairRow>{unlisted, marker}));
    auto pattern = plannedJob(tree.win("none/*.txt"), tree.win("dst/"));
    EXPECT_EQ(pairRows(*pattern), (std::vector<PairRow>{unlisted}));
}

TEST(TreeEnumeration, FolderWhoseDestinationIsNoFolderIsAnErrorNotEntered) {
    TempTree tree;
    tree.folder("src/docs");
    tree.file("src/docs/r.txt", "r");
    tree.folder("dst");
    tree.file("dst/docs", "a file where the folder should be");
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"));
    EXPECT_EQ(pairRows(*job),
              (std::vector<PairRow>{{"docs", "docs", plannedDestinationError}, marker}));
    EXPECT_EQ(job->totalBytes, 0u);
}

TEST(TreeEnumeration, PatternDecidesWhichFoldersAreEntered) {
    TempTree tree;
    for (const char* side : {"src", "dst"}) {
        tree.folder(std::string(side) + "/notes.txt");
        tree.folder(std::string(side) + "/lib");
        tree.file(std::string(side) + "/notes.txt/n.txt", "n");
        tree.file(std::string(side) + "/notes.txt/n.c", "c");
        tree.file(std::string(side) + "/lib/l.txt", "l");
    }
    auto job = plannedJob(tree.win("src/*/*.txt"), tree.win("dst/*/*.txt"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{
                                  {"notes.txt", "notes.txt", toCompare}, {"n.txt", "n.txt", toCompare},
                                  marker, marker}));
}

TEST(FolderEnumeration, DestinationFolderNamedLikeTheSourceFileCountsAsFound) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst/a.txt");
    tree.file("src/a.txt", "12345");
    auto job = plannedJob(tree.win("src/*.*"), tree.win("dst/*.*"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{{"a.txt", "a.txt", toCompare}}));
    EXPECT_EQ(job->totalBytes, 5u);
}

TEST(FolderEnumeration, SizesPast4GiBCarryIntoTheHighWord) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    constexpr std::uint64_t size = 3000000000u;
    for (const char* name : {"/one.bin", "/two.bin"}) {
        tree.sparseFile(std::string("src") + name, size);
        tree.sparseFile(std::string("dst") + name, size);
    }
    auto job = plannedJob(tree.win("src/*.bin"), tree.win("dst/"));
    EXPECT_EQ(job->totalBytes, 2 * size);
    FindRecord record;
    ASSERT_EQ(lookUp(tree.win("src/one.bin").c_str(), &record), Presence::Found);
    EXPECT_EQ(record.sizeHigh, 0u);
    EXPECT_EQ(record.sizeLow, 3000000000u);
}

#ifdef _WIN32
TEST(FolderEnumeration, DestinationInAnotherLetterCaseKeepsItsOwnName) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    tree.file("src/readme.txt", "r");
    tree.file("dst/README.TXT", "r");
    auto job = plannedJob(tree.win("src/*.txt"), tree.win("dst/"));
    EXPECT_EQ(pairRows(*job), (std::vector<PairRow>{{"readme.txt", "README.TXT", toCompare}}));
}
#endif

}  // namespace

// With extras asked for, what only the destination holds is recorded where it falls among the
// source's entries of its folder, a folder once with nothing inside it.
TEST(Extras, MergedIntoTheListingOrderOfTheirFolder) {
    TempTree tree;
    for (const char* side : {"src", "dst"}) {
        tree.file(std::string(side) + "/b.txt", "b");
        tree.file(std::string(side) + "/sub/m.txt", "m");
    }
    tree.file("dst/a.extra", "before b");
    tree.file("dst/c.extra", "after b");
    tree.file("dst/gone/x", "a folder only the copy holds");
    tree.file("dst/sub/z.extra", "below");
    JobOptions withExtras(StopByErrors);
    withExtras.listExtras = true;
    auto job = std::make_unique<QdlCore>(tree.win("src/*/*").c_str(), tree.win("dst/*/*").c_str(),
                                         withExtras);
    static_cast<void>(job->plan());  // a refused specification leaves the list empty
    std::vector<std::string> rows;
    for (const auto& row : pairRows(*job))
        rows.push_back(row.source + (row.code == plannedExtra ? " extra" : ""));
    const std::vector<std::string> inOrder = {"a.extra extra", "b.txt", "c.extra extra", "gone extra",
                                              "sub", "m.txt", "z.extra extra", ".", "."};
#ifdef _WIN32
    // Wine lists a folder in the host's order; what is recorded is the same.
    EXPECT_EQ(rows.size(), inOrder.size());
#else
    EXPECT_EQ(rows, inOrder);
#endif
    EXPECT_EQ(job->totalBytes, 2u);
}
