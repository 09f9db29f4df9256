// The POSIX side of the file calls: path forms, name matching, and exclusion between processes.
#include "platform/posix/path_map.h"
#include "platform/wildcard.h"
#include "platform/win32.h"
#include "support/as_nobody.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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

std::vector<std::string> listed(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return {"(error " + std::to_string(GetLastError()) + ")"};
    do names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

std::string contentsOf(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(error " + std::to_string(GetLastError()) + ")";
    char buffer[64];
    DWORD read = 0;
    const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return ok ? std::string(buffer, read) : "(read failed)";
}

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Threads share the folders they open in, and a folder's descriptor also serves its listing: a
// folder listed again, listed inside its own listing, or listed while other threads open files in
// it gives every name each time, and none of its descriptors outlives the release.
TEST(DirectoryListing, ASharedFolderListsWholeEveryTime) {
    TempTree tree;
    std::vector<std::string> expected{".", ".."};
    // Long names, so that one read of names cannot hold them all.
    for (int i = 0; i < 400; ++i) {
        const std::string name = "f" + std::to_string(1000 + i) + std::string(100, 'x');
        tree.file("d/" + name, std::to_string(i));
        expected.push_back(name);
    }
    releaseFolderCache();
    const int before = openDescriptors();
    const std::string pattern = tree.win("d/*");
    EXPECT_EQ(contentsOf(tree.win("d/" + expected[2])), "0");
    EXPECT_EQ(listed(pattern), expected);
    EXPECT_EQ(listed(pattern), expected);

    WIN32_FIND_DATAA outer;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &outer);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(listed(pattern), expected);
    std::vector<std::thread> openers;
    std::vector<std::string> found(4);
    for (int t = 0; t < 4; ++t)
        openers.emplace_back([&, t] {
            for (int i = t; i < 400; i += 4)
                if (contentsOf(tree.win("d/" + expected[static_cast<std::size_t>(i) + 2])) != std::to_string(i))
                    found[static_cast<std::size_t>(t)] += expected[static_cast<std::size_t>(i) + 2] + " ";
            releaseThreadFolders();
        });
    std::vector<std::string> names{outer.cFileName};
    while (FindNextFileA(search, &outer)) names.push_back(outer.cFileName);
    for (auto& opener : openers) opener.join();
    FindClose(search);
    EXPECT_EQ(names, expected);
    EXPECT_EQ(found, std::vector<std::string>(4));
    releaseFolderCache();
    EXPECT_EQ(openDescriptors(), before);
}

// A folder that may be passed through but not read: its files open, its listing is refused.
TEST(DirectoryListing, AFolderThatCannotBeReadIsPassedThrough) {
    TempTree tree;
    tree.file("d/inner/a.txt", "alpha");
    fs::permissions(tree.path("d/inner"), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
    const std::string result = asNobody([&] {
        return contentsOf(tree.win("d/inner/a.txt")) + " " + listed(tree.win("d/inner/*"))[0] + " " +
               contentsOf(tree.win("d/inner/a.txt"));
    });
    fs::permissions(tree.path("d/inner"), fs::perms::owner_all);
    EXPECT_EQ(result, "alpha (error " + std::to_string(ERROR_ACCESS_DENIED) + ") alpha");
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
