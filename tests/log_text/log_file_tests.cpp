#include "log_text/log_file.h"
#include "recorded_job.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>


namespace {

std::string savedLog(const TempTree& tree) {
    const std::string path = tree.win("QDL_Log.txt");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(writeLogFile(*currentJob, file), 0);
    CloseHandle(file);
    return contentsOf(tree.path("QDL_Log.txt"));
}

void count(QdlCore& job, int noDifference, int notices, int errors, int fatalErrors) {
    CompareStats& stats = writableState(job).stats;
    stats.noDifference = noDifference;
    stats.notices = notices;
    stats.errors = errors;
    stats.fatalErrors = fatalErrors;
    stats.total = noDifference + notices + errors + fatalErrors;
}

}  // namespace

TEST(LogFile, FolderRunIsWrittenByteForByte) {
    TempTree tree;
    auto job = recordedJob("C:\\src\\*.txt", "D:\\bak\\*.txt",
                           {{"a.txt", false, 0}, {"b.txt", false, 2}, {"c.txt", false, 4}});
    count(*job, 1, 1, 1, 0);
    const std::string expected =
        "Quendle Log File\r\n"
        "Source      : C:\\src\\*.txt\r\n"
        "Destination : D:\\bak\\*.txt\r\n"
        "\r\n"
        "No Defference : 1\r\n"
        "Warnings      : 1\r\n"
        "Errors        : 1\r\n"
        "Fatal Errors  : 0\r\n"
        "Total         : 3\r\n"
        "\r\n"
        "OK! : a.txt\r\n"
        "NET : b.txt\r\n"
        "NEC : c.txt\r\n";
    ASSERT_EQ(expected.size(), 212u);
    EXPECT_EQ(savedLog(tree), expected);
    // Saving again restarts from the first pair and overwrites the old file entirely.
    EXPECT_EQ(savedLog(tree), expected);
}

TEST(LogFile, RunWithoutResultsHasTheHeaderOnly) {
    TempTree tree;
    auto job = recordedJob("\\src\\*.*", "bak\\*.*", {{"a.txt", false, 12}});
    count(*job, 0, 0, 0, 0);
    const std::string log = savedLog(tree);
    EXPECT_EQ(log.substr(0, 58), "Quendle Log File\r\nSource      : C:\\src\\*.*\r\nDestination : ");
    const std::string ending = "Total         : 0\r\n\r\n";
    EXPECT_EQ(log.substr(log.size() - ending.size()), ending);
}

TEST(LogFile, WideCountsWidenTheirLines) {
    TempTree tree;
    auto job = recordedJob("C:\\s\\*.*", "D:\\d\\*.*", {});
    count(*job, 12345, 0, 10, 2147483647 - 12355);
    EXPECT_NE(savedLog(tree).find("No Defference : 12345\r\nWarnings      : 0\r\nErrors        : 10\r\n"
                                  "Fatal Errors  : 2147471292\r\nTotal         : 2147483647\r\n"),
              std::string::npos);
}

TEST(LogFile, AFailedWriteIsReported) {
    TempTree tree;
    tree.file("readonly.txt", "old");
    auto job = recordedJob("C:\\s\\*.*", "D:\\d\\*.*", {{"a.txt", false, 0}});
    // A handle opened for reading refuses every write.
    HANDLE file = CreateFileA(tree.win("readonly.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(writeLogFile(*currentJob, file), 1);
    CloseHandle(file);
}
