// What the engine relies on of the platform's file calls; the same expectations hold natively and
// on Windows.
#include "engine/find_record.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> namesMatching(const std::string& path) {
    std::vector<std::string> names;
    FolderListing listing;
    for (bool more = firstEntry(path.c_str(), &listing); more; more = nextEntry(&listing))
        names.push_back(listing.entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

class DirectorySearch : public ::testing::Test {
protected:
    void SetUp() override {
        tree.folder("d/sub");
        tree.file("d/a.txt", "a");
        tree.file("d/ab.txt", "ab");
        tree.file("d/noext", "n");
        tree.file("d/B.TXT", "b");
    }
    TempTree tree;
};

TEST_F(DirectorySearch, WildcardsMatchAsOnWindows) {
    EXPECT_EQ(namesMatching(tree.win("d/*")),
              (Names{".", "..", "B.TXT", "a.txt", "ab.txt", "noext", "sub"}));
    EXPECT_EQ(namesMatching(tree.win("d/*.*")), namesMatching(tree.win("d/*")));
    EXPECT_EQ(namesMatching(tree.win("d/*.txt")), (Names{"B.TXT", "a.txt", "ab.txt"}));
    EXPECT_EQ(namesMatching(tree.win("d/a?.txt")), (Names{"ab.txt"}));
    EXPECT_EQ(namesMatching(tree.win("d/?.txt")), (Names{"B.TXT", "a.txt"}));
    EXPECT_TRUE(namesMatching(tree.win("d/*.none")).empty());
    EXPECT_TRUE(namesMatching(tree.win("missing/*")).empty());
}

TEST_F(DirectorySearch, PathWithoutWildcardsYieldsTheEntryItself) {
    FindRecord record;
    ASSERT_EQ(lookUp(tree.win("d/ab.txt").c_str(), &record), Presence::Found);
    EXPECT_STREQ(record.name, "ab.txt");
    EXPECT_EQ(fileSize(record), 2u);
    EXPECT_FALSE(isDirectory(record));
    ASSERT_EQ(lookUp(tree.win("d/sub").c_str(), &record), Presence::Found);
    EXPECT_STREQ(record.name, "sub");
    EXPECT_TRUE(isDirectory(record));
    EXPECT_EQ(namesMatching(tree.win("d/ab.txt")), (Names{"ab.txt"}));
    EXPECT_EQ(lookUp(tree.win("d/sub/").c_str(), &record), Presence::Missing);
    EXPECT_EQ(lookUp(tree.win("d/none").c_str(), &record), Presence::Missing);
}

// A listing answers whether it read the whole folder: nothing matching, or the end of the folder,
// is a complete listing; a folder that is not there is not.
TEST_F(DirectorySearch, AListingSaysWhetherItReadTheWholeFolder) {
    FindRecord record;
    FolderListing listing;
    EXPECT_FALSE(firstEntry(tree.win("d/*.none").c_str(), &listing));
    EXPECT_EQ(listing.failure, 0u);
    EXPECT_FALSE(firstEntry(tree.win("missing/*").c_str(), &listing));
    EXPECT_EQ(listing.failure, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    ASSERT_TRUE(firstEntry(tree.win("d/a.txt").c_str(), &listing));
    EXPECT_FALSE(nextEntry(&listing));
    EXPECT_EQ(listing.failure, 0u);
    EXPECT_FALSE(listingOpen(listing));
    EXPECT_EQ(lookUp(tree.win("missing/a.txt").c_str(), &record), Presence::Missing);
    EXPECT_EQ(lookUp(tree.win("d/a.txt/x").c_str(), &record), Presence::Missing);
}

TEST_F(DirectorySearch, LastWriteTimesAreFileTimesOfTheSecond) {
    FindRecord first;
    FindRecord second;
    tree.touch("d/ab.txt", 0);
    tree.touch("d/noext", 0);
    ASSERT_EQ(lookUp(tree.win("d/ab.txt").c_str(), &first), Presence::Found);
    ASSERT_EQ(lookUp(tree.win("d/noext").c_str(), &second), Presence::Found);
    EXPECT_EQ(CompareFileTime(&first.lastWriteTime, &second.lastWriteTime), 0);
    tree.touch("d/noext", 1);
    ASSERT_EQ(lookUp(tree.win("d/noext").c_str(), &second), Presence::Found);
    EXPECT_NE(CompareFileTime(&first.lastWriteTime, &second.lastWriteTime), 0);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    EXPECT_EQ(ticks(second.lastWriteTime) - ticks(first.lastWriteTime), 10000000u);
    // Some day after 2000 and before 2100, in 100-ns units since 1601.
    EXPECT_GT(ticks(first.lastWriteTime), 125911584000000000u);
    EXPECT_LT(ticks(first.lastWriteTime), 157469184000000000u);
}

TEST(FileOpen, ShareModeZeroIsExclusiveAndFoldersDoNotOpen) {
    TempTree tree;
    tree.file("f.txt", "contents");
    tree.folder("sub");
    const std::string path = tree.win("f.txt");
    const HANDLE first = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    char buffer[16] = {};
    DWORD got = 0;
    ReadFile(first, buffer, 16, &got, nullptr);
    EXPECT_EQ(got, 8u);
    EXPECT_STREQ(buffer, "contents");
    CloseHandle(first);
    const HANDLE again = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
    EXPECT_EQ(CreateFileA(tree.win("sub").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA(tree.win("none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(FileOpen, CreateAlwaysReplacesTheFileButNeverOneHeldByAnother) {
    TempTree tree;
    tree.file("log.txt", "old contents that are longer");
    const std::string path = tree.win("log.txt");
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_ARCHIVE, nullptr),
              INVALID_HANDLE_VALUE);
    CloseHandle(held);
    EXPECT_EQ(fs::file_size(tree.path("log.txt")), 28u);

    const HANDLE log = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_ARCHIVE, nullptr);
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_NE(WriteFile(log, "new", 3, &written, nullptr), 0);
    EXPECT_EQ(written, 3u);
    CloseHandle(log);
    EXPECT_EQ(fs::file_size(tree.path("log.txt")), 3u);
}

TEST(CurrentDirectory, AnswersWithADriveAndBackslashes) {
    char buffer[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    ASSERT_GT(length, 2u);
    EXPECT_EQ(buffer[1], ':');
    EXPECT_EQ(buffer[2], '\\');
    EXPECT_EQ(std::string(buffer).find('/'), std::string::npos);
    char tiny[2] = {'x', '\0'};
    EXPECT_EQ(GetCurrentDirectoryA(2, tiny), length + 1);
    EXPECT_EQ(tiny[0], 'x');
}

}  // namespace
