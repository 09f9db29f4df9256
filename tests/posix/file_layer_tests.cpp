// The POSIX side of the file calls: path forms, name matching, and exclusion between processes.
#include "platform/posix/path_map.h"
#include "platform/wildcard.h"
#include "platform/win32.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string posixOf(const char* windowsPath) {
    char out[64];
    return toPosixPath(windowsPath, out, sizeof out) == 0 ? out : "(does not fit)";
}

std::string windowsOf(const char* posixPath) {
    char out[64];
    return toWindowsPath(posixPath, out, sizeof out) == 0 ? out : "(does not fit)";
}

TEST(PathMap, DriveCIsTheRootAndOtherDrivesAreMounts) {
    EXPECT_EQ(posixOf("C:\\home\\me\\a.txt"), "/home/me/a.txt");
    EXPECT_EQ(posixOf("c:\\home"), "/home");
    EXPECT_EQ(posixOf("\\home\\me"), "/home/me");
    EXPECT_EQ(posixOf("D:\\dst\\a.txt"), "/mnt/d/dst/a.txt");
    EXPECT_EQ(posixOf("D:"), "/mnt/d/");
    EXPECT_EQ(posixOf("C:"), "/");
    EXPECT_EQ(posixOf("C:\\"), "/");
    EXPECT_EQ(posixOf("rel\\x"), "rel/x");
    EXPECT_EQ(posixOf(("C:\\" + std::string(70, 'x')).c_str()), "(does not fit)");

    EXPECT_EQ(windowsOf("/home/me"), "C:\\home\\me");
    EXPECT_EQ(windowsOf("/"), "C:\\");
    EXPECT_EQ(windowsOf("/mnt/x/data"), "X:\\data");
    EXPECT_EQ(windowsOf("/mnt/x"), "X:\\");
    EXPECT_EQ(windowsOf("/mnt/xy"), "C:\\mnt\\xy");
}

TEST(Wildcard, StarQuestionMarkCaseAndDotStar) {
    EXPECT_TRUE(matchesWildcard("*", "anything.at.all"));
    EXPECT_TRUE(matchesWildcard("*.*", "noext"));
    EXPECT_TRUE(matchesWildcard("*.*", "."));
    EXPECT_TRUE(matchesWildcard("*.TXT", "a.txt"));
    EXPECT_TRUE(matchesWildcard("a?c", "abc"));
    EXPECT_FALSE(matchesWildcard("a?c", "ac"));
    EXPECT_TRUE(matchesWildcard("*a*b*c", "xxaxxbxxbxxc"));
    EXPECT_FALSE(matchesWildcard("*a*b*c", "xxaxxbxxbxx"));
    EXPECT_FALSE(matchesWildcard("*.txt", "a.txt.bak"));
    EXPECT_TRUE(matchesWildcard("report.*", "report"));
    EXPECT_FALSE(matchesWildcard("", "a"));
}

// The same lines in the same order on every machine: "." and "..", then names as NTFS sorts them.
TEST(DirectoryListing, OneStableOrderLetterCaseIgnored) {
    TempTree tree;
    for (const char* name : {"b", "_y", "A", "C", "a", "-x", "ab", "B1"}) tree.file(std::string("d/") + name, name);
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(tree.win("d/*").c_str(), &entry);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "-x", "A", "a", "ab", "b", "B1", "C", "_y"}));
}

TEST(ExclusiveOpen, HeldByAnotherProgram) {
    TempTree tree;
    tree.file("held.txt", "x");
    const std::string posixPath = tree.path("held.txt").string();
    const std::string ready = tree.path("ready").string();
    const std::string command =
        "flock -x '" + posixPath + "' sh -c 'touch \"" + ready + "\"; sleep 2' &";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (int i = 0; i < 200 && !fs::exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(ready));
    EXPECT_EQ(CreateFileA(tree.win("held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    // A reader takes no lock, so the lock keeps no reader out.
    const HANDLE reader = CreateFileA(tree.win("held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
}

TEST(ExclusiveOpen, NamedPipeDoesNotOpenAndDoesNotHang) {
    TempTree tree;
    const std::string fifo = tree.path("pipe").string();
    ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
    EXPECT_EQ(CreateFileA(tree.win("pipe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
}

}  // namespace
