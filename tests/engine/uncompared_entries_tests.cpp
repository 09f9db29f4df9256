// Entries the engine cannot compare as themselves are reported with a fatal code, never left out and
// never compared in place of another file: folders that cannot be listed, paths that would be cut,
// links back to a folder above, names no Windows path can carry, files that are not regular.
#include "support/job_reading.h"
#include "support/run_report.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include "support/as_nobody.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// Windows lists a folder in its own order; Quendle's POSIX layer in one fixed order, checked as is.
std::string comparable(const std::string& report) {
#ifdef _WIN32
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end() - 1);
    std::string sorted;
    for (const auto& line : lines) sorted += line + "\n";
    return sorted;
#else
    return report;
#endif
}

// Nested folders under relative whose Windows text, with its trailing backslash, is exactly length
// characters; returns their path relative to relative, with backslashes.
std::string folderOfTextLength(const TempTree& tree, const std::string& relative, std::size_t length) {
    std::string levels;
    std::size_t now = tree.win(relative + "/").size();
    for (char letter = 'p'; now < length; ++letter) {
        const std::size_t name = std::min<std::size_t>(length - now - 1, 100);
        const std::string level = std::string(name == 0 ? 1 : name, letter);
        levels += (levels.empty() ? "" : "\\") + level;
        now += level.size() + 1;
    }
    std::string slashed = levels;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    tree.folder(relative + "/" + slashed);
    EXPECT_EQ(tree.win(relative + "/" + slashed + "/").size(), length);
    return levels;
}

TEST(CutPaths, NothingIsLookedUpOrOpenedByACutPath) {
    TempTree tree;
    const std::string deep = folderOfTextLength(tree, "src", 251);
    std::string slashed = deep;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    for (const char* side : {"src/", "dst/", "destination/"}) {
        const std::string folder = side + slashed;
        tree.folder(folder + "/deepest1");
        tree.file(folder + "/longfile", "the same");
        // Cut to 259 characters this name would be "longfile", which is the same.
        tree.file(folder + "/longfile.differs.txt", side == std::string("src/") ? "one" : "two");
    }
    // 251 + "longfile" is 259 characters: it fits exactly. The folder deepest1 fits, but its search
    // path, its text with "\*", would not.
    EXPECT_EQ(comparable(runReport(tree.win("src/*/*"), tree.win("dst/*/*"))),
              comparable("SOE : " + deep + "\\deepest1\n"
                         "OK! : " + deep + "\\longfile\n"
                         "SOE : " + deep + "\\longfile.differs.txt\n"
                         "= 1 0 0 2 3"));
    // A destination folder text 8 characters longer: the source fits where the destination does not.
    EXPECT_EQ(comparable(runReport(tree.win("src/*/*"), tree.win("destination/*/*"))),
              comparable("SOE : " + deep + "\\deepest1\n"
                         "DOE : " + deep + "\\longfile\n"
                         "SOE : " + deep + "\\longfile.differs.txt\n"
                         "= 0 0 0 3 3"));
    // The same folder as a folder pattern.
    EXPECT_EQ(comparable(runReport(tree.win("src/" + slashed + "/*"), tree.win("dst/" + slashed + "/"))),
              comparable("OK! : longfile\nSOE : longfile.differs.txt\n= 1 0 0 1 2"));
}

TEST(CutPaths, ASpecificationThatDoesNotFitIsRefused) {
    const std::string typed = "\\" + std::string(257, 'x');  // 260 characters with "C:"
    auto job = plannedJob(typed, "D:\\dst\\x");
    EXPECT_EQ(job->plan(), 1);
    EXPECT_TRUE(pairRows(*job).empty());
    auto destination = plannedJob("C:\\src\\x", typed);
    EXPECT_EQ(destination->plan(), 1);
    EXPECT_TRUE(pairRows(*destination).empty());
}

TEST(LinkLoops, ALinkBackToAFolderAboveIsReportedNotEntered) {
    TempTree tree;
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/f.txt", "f");
        tree.file(side + "/sub/g.txt", "g");
        if (!tree.link(".", side + "/a") || !tree.link(".", side + "/b") ||
            !tree.link("..", side + "/sub/up"))
            GTEST_SKIP() << "no symbolic links here";
    }
    const auto start = std::chrono::steady_clock::now();
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(pairRows(*job).size(), 8u);  // a, b, f.txt, sub, g.txt, up, two markers
    EXPECT_EQ(comparable(runReport(tree.win("src/*/*"), tree.win("dst/*/*"))),
              comparable("SOE : a\nSOE : b\nOK! : f.txt\nOK! : sub\\g.txt\nSOE : sub\\up\n= 2 0 0 3 5"));
}

#ifndef _WIN32
TEST(OddNames, NamesNoWindowsPathCanCarryAreReportedNeverMatched) {
    TempTree tree;
    for (const char* side : {"src", "dst"}) {
        const std::string root = side;
        tree.folder(root + "/we*rd");
        tree.file(root + "/we*rd/inner.txt", root);
        tree.file(root + "/a\\b.txt", "slash");
        tree.folder(root + "/a");
        tree.file(root + "/a/b.txt", "slash");
    }
    tree.file("src/x?", "x");
    tree.file("dst/xa", "x");  // what "x?" would match as a pattern
    EXPECT_EQ(runReport(tree.win("src/*/*"), tree.win("dst/*/*")),
              "OK! : a\\b.txt\nSOE : a<5C>b.txt\nSOE : we*rd\nSOE : x?\n= 1 0 0 3 4");
    EXPECT_EQ(runReport(tree.win("src/*.*"), tree.win("dst/*.*")), "SOE : a<5C>b.txt\nSOE : x?\n= 0 0 0 2 2");
}

TEST(SpecialFiles, FifosDevicesAndDanglingLinksAreNeverOpened) {
    TempTree tree;
    for (const std::string side : {"src", "dst"}) {
        tree.folder(side);
        ASSERT_EQ(mkfifo(tree.path(side + "/pipe").c_str(), 0600), 0);
        ASSERT_TRUE(tree.link("/dev/zero", side + "/zero"));
        ASSERT_TRUE(tree.link("missing-target", side + "/gone"));
    }
    // A writer blocked on the source FIFO would be released by any reader's open.
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        open(tree.path("src/pipe").c_str(), O_WRONLY);
        _exit(0);
    }
    // Two links that lead nowhere alike are a faithful copy, compared by their target texts.
    EXPECT_EQ(runReport(tree.win("src/*/*"), tree.win("dst/*/*")),
              "OK! : gone\nSOE : pipe\nSOE : zero\n= 1 0 0 2 3");
    usleep(100000);
    EXPECT_EQ(waitpid(writer, nullptr, WNOHANG), 0) << "the source FIFO was opened";
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
}

TEST(Permissions, FoldersAndDestinationsThatCannotBeReadAreReported) {
    TempTree tree;
    fs::permissions(tree.root, fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec);
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/a.txt", "same");
        tree.folder(side + "/empty");
        tree.file(side + "/hidden/x.txt", "x");
        tree.file(side + "/locked/differs.txt", side);
        tree.file(side + "/noexec/f.txt", "f");
        tree.folder(side + "/noexec/sub");
    }
    const auto mode = [&](const std::string& relative, fs::perms perms) {
        fs::permissions(tree.path(relative), perms);
    };
    mode("src/locked", fs::perms::none);
    mode("src/noexec", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    mode("dst/hidden", fs::perms::none);
    const std::string report = asNobody([&] {
        return runReport(tree.win("src/*/*"), tree.win("dst/*/*")) + "\n" +
               runReport(tree.win("src/a.txt"), tree.win("dst/hidden/x.txt")) + "\n" +
               runReport(tree.win("src/*/*.none"), tree.win("dst/*/*.none"));
    });
    EXPECT_EQ(report,
              "OK! : a.txt\nDOE : hidden\\x.txt\nSOE : locked\nSOE : noexec\\f.txt\n"
              "SOE : noexec\\sub\n= 1 0 0 4 5\n"
              "DOE : a.txt\n= 0 0 0 1 1\n"
              "= 0 0 0 0 0");
}
#endif

}  // namespace
