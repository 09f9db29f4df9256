#include "engine/stepper.h"
#include "log_text/log_lines.h"
#include "recorded_job.h"
#include "support/job_reading.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> walk() {
    rewindLogLines(*currentJob);
    std::vector<std::string> lines;
    while (const char* line = nextLogLine()) lines.emplace_back(line);
    return lines;
}

// A tree run: a.txt equal, docs on both sides holding b.txt (NEC) and old (missing), z.dat missing.
const std::vector<RecordedPair> treeRun = {
    {"a.txt", false, 0}, {"docs", true, 0}, {"b.txt", false, 4}, {"old", true, 5},
    {".", true, 0},      {"z.dat", false, 6}, {".", true, 0}};

}  // namespace

TEST(LogLines, TreeRunGivesOneLinePerComparedEntryUnderItsFolders) {
    auto job = recordedJob("C:\\src\\*\\*", "D:\\bak\\*\\*", treeRun);
    const std::vector<std::string> expected = {"OK! : a.txt", "NEC : docs\\b.txt",
                                               "SOD : docs\\old", "SOF : z.dat"};
    EXPECT_EQ(walk(), expected);
    // A second walk after the reset yields the same lines.
    EXPECT_EQ(walk(), expected);
    EXPECT_EQ(logPathLength, 0);
}

TEST(LogLines, StopsAtTheFirstPairWithoutResult) {
    std::vector<RecordedPair> stopped = treeRun;
    for (std::size_t i = 3; i < stopped.size(); ++i) stopped[i].code = 12;
    auto job = recordedJob("C:\\src\\*\\*", "D:\\bak\\*\\*", stopped);
    EXPECT_EQ(walk(), (std::vector<std::string>{"OK! : a.txt", "NEC : docs\\b.txt"}));

    auto nothingDone = recordedJob("C:\\src\\*.*", "D:\\bak\\*.*", {{"a.txt", false, 12}});
    EXPECT_TRUE(walk().empty());
    auto empty = recordedJob("C:\\src\\*.*", "D:\\bak\\*.*", {});
    EXPECT_TRUE(walk().empty());
}

TEST(LogLines, NestedFoldersBuildAndUnwindThePrefix) {
    auto job = recordedJob("C:\\s\\*\\*", "D:\\d\\*\\*",
                           {{"a", true, 0}, {"b", true, 0}, {"c", true, 0}, {"f.txt", false, 4},
                            {".", true, 0}, {"g.txt", false, 2}, {".", true, 0}, {".", true, 0},
                            {"h.txt", false, 0}, {".", true, 0}});
    EXPECT_EQ(walk(), (std::vector<std::string>{"NEC : a\\b\\c\\f.txt", "NET : a\\b\\g.txt",
                                                "OK! : h.txt"}));

    auto foldersOnly = recordedJob("C:\\s\\*\\*", "D:\\d\\*\\*",
                                   {{"a", true, 0}, {"b", true, 0}, {".", true, 0},
                                    {".", true, 0}, {".", true, 0}});
    EXPECT_TRUE(walk().empty());
}

TEST(LogLines, AFullPathStaysTerminatedInsideTheLine) {
    // Each control character takes four places in the line.
    const std::string controls(250, '\x01');
    const std::string longName(200, 'n');
    auto job = recordedJob("C:\\s\\*\\*", "D:\\d\\*\\*",
                           {{controls.c_str(), true, 0}, {longName.c_str(), false, 4},
                            {".", true, 0}, {"z", false, 0}, {".", true, 0}});
    const std::vector<std::string> lines = walk();
    ASSERT_EQ(lines.size(), 2u);
    std::string shownFolder;
    for (std::size_t i = 0; i < controls.size(); ++i) shownFolder += "<01>";
    EXPECT_EQ(lines[0], "NEC : " + shownFolder + "\\" + longName.substr(0, shownPathRoom - 1002));
    EXPECT_EQ(lines[1], "OK! : z");
}

// Names are data: a line break, a carriage return or an escape sequence in a name cannot forge a
// line or reach a terminal, and "<" or a backslash inside a name cannot be mistaken for an escape
// or a separator, so each line reads back to exactly one path.
TEST(LogLines, ControlCharactersInNamesAreShownEscapedAndCanBeReadBack) {
    auto job = recordedJob("C:\\s\\*\\*", "D:\\d\\*\\*",
                           {{"a\nOK! : forged", false, 4}, {"x\rOK! : over", false, 4},
                            {"\x1b]0;title\x07\x7f", true, 0}, {"<01>\\b", false, 6},
                            {".", true, 0}});
    EXPECT_EQ(walk(), (std::vector<std::string>{"NEC : a<0A>OK! : forged", "NEC : x<0D>OK! : over",
                                                "SOF : <1B>]0;title<07><7F>\\<3C>01><5C>b"}));
    char shown[shownPathRoom];
    showPath("C:\\x\x1b", shown, sizeof shown);
    EXPECT_STREQ(shown, "C:\\x<1B>");
}

// Readers of their own walk a job while it is stepped, each at its own pace, and never move the
// stepper: the lines they read are those of the finished job, and a pair not yet recorded waits.
TEST(LogLines, ReadersWalkAJobWhileItIsSteppedWithoutMovingTheStepper) {
    TempTree tree;
    for (const char* name : {"a.txt", "sub/b.txt", "sub/deep/c.txt", "z.txt"}) {
        tree.file(std::string("src/") + name, name);
        tree.file(std::string("dst/") + name, name);
    }
    tree.file("dst/sub/b.txt", "differs");
    auto job = plannedJob(tree.win("src/*/*"), tree.win("dst/*/*"), IgnoreAnyErrors);
    LogReader eager;
    LogReader late;
    startLogReader(*job, &eager);
    startLogReader(*job, &late);
    std::vector<std::string> eagerLines;
    while (compareStep(*job) == 0)
        while (const char* line = readLogLine(*job, eager)) eagerLines.emplace_back(line);
    std::vector<std::string> lateLines;
    while (const char* line = readLogLine(*job, late)) lateLines.emplace_back(line);
    currentJob = job.get();
    EXPECT_EQ(eagerLines, walk());
    currentJob = nullptr;
    EXPECT_EQ(lateLines, eagerLines);
    EXPECT_EQ(eagerLines.size(), 4u);
    EXPECT_EQ(job->stats.total, 4);
    EXPECT_EQ(job->stats.errors, 1);
}
