// The Comparing Result, Details and About dialogs through the scripted dialog manager, on real files.
#include "engine/qdl_core.h"
#include "log_text/log_file.h"
#include "window_system/dialog_manager/file_chooser.h"
#include "quendle_run.h"
#include "resources/resource_ids.h"
#include "results/comparing_result_dialog.h"
#include "support/held_open.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int stopButtons[] = {IDC_STOP_BY_NOTICES, IDC_STOP_BY_ERRORS, IDC_STOP_BY_FATAL_ERRORS,
                               IDC_IGNORE_ANY_ERRORS};

// Three pairs of one severity: 1 notices (newer time), 2 errors (contents), 3 fatal errors
// (destination a named pipe, which is never opened).
struct SeverityTree {
    explicit SeverityTree(int severity) {
        tree.folder("src");
        tree.folder("dst");
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            tree.file(std::string("src/") + name, "same");
            const fs::path destination = tree.path(std::string("dst/") + name);
            if (severity == 3)
                EXPECT_EQ(mkfifo(destination.c_str(), 0600), 0);
            else
                tree.file(std::string("dst/") + name, severity == 2 ? "diff" : "same");
            if (severity == 1) tree.touch(std::string("dst/") + name, 60);
        }
    }
    TempTree tree;
};

std::vector<std::string> sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

TEST(ComparingResult, EachStopLevelStopsAtTheFirstPairItCounts) {
    for (int severity = 1; severity <= 3; ++severity) {
        SeverityTree files(severity);
        for (int level = 0; level < 4; ++level) {
            QuendleRun quendle;
            HWND result = quendle.startCompare(files.tree.win("src/*.*"), files.tree.win("dst/*.*"),
                                               stopButtons[level]);
            ASSERT_NE(result, nullptr);
            ASSERT_TRUE(quendle.runToDone(result));
            const std::string total = level < severity ? "1" : "3";
            EXPECT_EQ(quendle.text(result, IDC_TOTAL), total) << "severity " << severity << " level " << level;
            EXPECT_EQ(quendle.figures(result)[severity], total);
            EXPECT_TRUE(quendle.enabled(result, IDOK) && quendle.enabled(result, IDC_SHOW_LOG));
            EXPECT_FALSE(quendle.enabled(result, IDC_ABORT));
            EXPECT_EQ(quendle.focusId(), IDOK);
        }
    }
}

TEST(ComparingResult, ATickArrivingDuringATickDoesNotStep) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    tree.file("src/a.txt", "a");
    tree.file("dst/a.txt", "a");
    QuendleRun quendle;
    HWND result = quendle.startCompare(tree.win("src/*.*"), tree.win("dst/*.*"), IDC_STOP_BY_ERRORS);
    quendle.step([] { tickIdle = false; });
    quendle.tick(20);
    EXPECT_EQ(quendle.text(result, IDC_STATUS), "Prease wait now comparing...");
    EXPECT_EQ(quendle.text(result, IDC_TOTAL), "0");
    quendle.step([] { tickIdle = true; });
    ASSERT_TRUE(quendle.runToDone(result));
    EXPECT_EQ(quendle.figures(result), (std::vector<std::string>{"1", "0", "0", "0", "1", "100"}));
    EXPECT_EQ(quendle.progress(result, IDC_PROGRESS), 100);
}

TEST(ComparingResult, AbortAndCancelInTheMiddleOfALargeFileCloseBothFiles) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    const std::uint64_t size = 64u << 20;
    tree.sparseFile("src/big.bin", size);
    tree.sparseFile("dst/big.bin", size);
    const std::string source = tree.win("src/big.bin");
    const std::string destination = tree.win("dst/big.bin");
    QuendleRun quendle;
    HWND result = quendle.startCompare(source, destination, IDC_STOP_BY_ERRORS);
    quendle.tick(40);
    EXPECT_TRUE(heldOpen(tree.path("src/big.bin")));
    const int partway = quendle.progress(result, IDC_PROGRESS);
    EXPECT_GT(partway, 0);
    EXPECT_LT(partway, 100);
    quendle.press(result, IDC_ABORT);
    EXPECT_EQ(quendle.text(result, IDC_STATUS), "Done.");
    EXPECT_FALSE(quendle.enabled(result, IDC_ABORT));
    EXPECT_FALSE(heldOpen(tree.path("src/big.bin")) || heldOpen(tree.path("dst/big.bin")));
    quendle.tick(10);
    EXPECT_EQ(quendle.progress(result, IDC_PROGRESS), partway);
    // Show Log after Abort lists nothing: the pair in progress was never finished.
    quendle.press(result, IDC_SHOW_LOG);
    EXPECT_EQ(quendle.lines(quendle.dialog("Details"), IDC_LOG_LIST), std::vector<std::string>{});
    quendle.key(KeyEscape);
    quendle.press(result, IDOK);

    // A new Compare starts from nothing, and Cancel while it runs leaves no job and no open file.
    quendle.press(quendle.mainDialog, IDOK);
    result = quendle.dialog("Comparing Result");
    EXPECT_EQ(quendle.progress(result, IDC_PROGRESS), 0);
    EXPECT_EQ(quendle.text(result, IDC_TOTAL), "0");
    quendle.tick(5);
    EXPECT_TRUE(heldOpen(tree.path("dst/big.bin")));
    quendle.key(KeyEscape);
    EXPECT_EQ(quendle.activeCaption(), "Quendle");
    EXPECT_FALSE(heldOpen(tree.path("src/big.bin")) || heldOpen(tree.path("dst/big.bin")));
    bool noJob = false;
    quendle.step([&] { noJob = currentJob == nullptr; });
    EXPECT_TRUE(noJob);
}

// The dialogs give the command line's answers: a dot name is a file like any other, and a folder
// the run starts from that cannot be listed is one fatal error, not an empty clean run.
TEST(ComparingResult, DotNamesAreComparedAndAnUnlistableStartIsAFatalError) {
    TempTree tree;
    tree.file("src/.env", "A=1");
    tree.file("dst/.env", "A=2");
    tree.folder("dst/empty");
    for (const std::string source : {"src/*.*", "none/*.*", "none/*/*"}) {
        QuendleRun quendle;
        HWND result = quendle.startCompare(tree.win(source), tree.win("dst/*.*"), IDC_IGNORE_ANY_ERRORS);
        // A name that begins with a dot shows as itself: ".." is only for a folder being left.
        quendle.tick();
        if (source == "src/*.*") {
            EXPECT_EQ(quendle.text(result, IDC_CURRENT_NAME), ".env");
        }
        ASSERT_TRUE(quendle.runToDone(result));
        quendle.press(result, IDC_SHOW_LOG);
        HWND details = quendle.dialog("Details");
        const std::vector<std::string> expected = {source == "src/*.*" ? "NEC : .env" : "SOE : ."};
        EXPECT_EQ(quendle.lines(details, IDC_LOG_LIST), expected) << source;
        EXPECT_EQ(quendle.text(result, IDC_TOTAL), "1") << source;
    }
}

TEST(ComparingResult, ShowLogTwiceAndSaveLogAskBeforeReplacingAndReportAFailedWrite) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    tree.file("src/a.txt", "same");
    tree.file("dst/a.txt", "same");
    tree.file("src/c.txt", "one");
    tree.file("dst/c.txt", "two");
    QuendleRun quendle;
    HWND result = quendle.startCompare(tree.win("src/*.*"), tree.win("dst/*.*"), IDC_IGNORE_ANY_ERRORS);
    ASSERT_TRUE(quendle.runToDone(result));
    const std::vector<std::string> expected = {"NEC : c.txt", "OK! : a.txt"};
    for (int time = 0; time < 2; ++time) {
        quendle.press(result, IDC_SHOW_LOG);
        HWND details = quendle.dialog("Details");
        ASSERT_NE(details, nullptr);
        EXPECT_EQ(sorted(quendle.lines(details, IDC_LOG_LIST)), expected);
        quendle.press(details, IDCANCEL);
    }
    quendle.press(result, IDC_SHOW_LOG);
    HWND details = quendle.dialog("Details");

    // The save dialog offers QDL_Log.txt and *.txt; what it writes is the log file itself.
    quendle.press(details, IDC_SAVE_LOG);
    HWND save = quendle.dialog("Save As");
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(quendle.text(save, IDC_CHOOSER_NAME), "QDL_Log.txt");
    EXPECT_EQ(quendle.text(save, IDC_CHOOSER_FILTER), "Log file(*.txt)");
    quendle.setText(save, IDC_CHOOSER_NAME, tree.win("saved.txt").c_str());
    quendle.press(save, IDOK);
    EXPECT_EQ(quendle.activeCaption(), "Details");
    quendle.step([&] {
        HANDLE file = CreateFileA(tree.win("reference.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        EXPECT_EQ(writeLogFile(*currentJob, file), 0);
        CloseHandle(file);
    });
    EXPECT_EQ(contentsOf(tree.path("saved.txt")), contentsOf(tree.path("reference.txt")));
    EXPECT_NE(contentsOf(tree.path("saved.txt")).find("NEC : c.txt"), std::string::npos);

    // Saving over it again asks first; No writes nothing.
    tree.file("saved.txt", "keep");
    quendle.press(details, IDC_SAVE_LOG);
    save = quendle.dialog("Save As");
    quendle.setText(save, IDC_CHOOSER_NAME, tree.win("saved.txt").c_str());
    quendle.press(save, IDOK);
    HWND question = quendle.dialog("Confirm Save As");
    ASSERT_NE(question, nullptr);
    quendle.press(question, IDNO);
    quendle.press(save, IDCANCEL);
    EXPECT_EQ(contentsOf(tree.path("saved.txt")), "keep");

    // A file that cannot grow past a few bytes, as on a full disk, must not pass for a saved log.
    quendle.press(details, IDC_SAVE_LOG);
    save = quendle.dialog("Save As");
    quendle.setText(save, IDC_CHOOSER_NAME, tree.win("cut.txt").c_str());
    rlimit unlimited;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    const rlimit tiny = {8, unlimited.rlim_max};
    // Past the limit the kernel sends SIGXFSZ, which would end the program unless it is ignored.
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    quendle.press(save, IDOK);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    HWND error = quendle.dialog("Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(quendle.text(error, -1), "File Write Error.");
    quendle.key(KeyEnter);
    EXPECT_EQ(quendle.activeCaption(), "Details");
    EXPECT_EQ(contentsOf(tree.path("cut.txt")).size(), 8u);

    // From a current folder whose text does not fit the chooser's initial folder, the chooser
    // starts all the same, and saves where it is told.
    const std::string deep = "d" + std::string(100, 'e') + "/" + std::string(100, 'f') + "/" +
                             std::string(100, 'g');
    tree.folder(deep);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    quendle.step([&] { ASSERT_EQ(chdir(tree.path(deep).c_str()), 0); });
    quendle.press(details, IDC_SAVE_LOG);
    save = quendle.dialog("Save As");
    ASSERT_NE(save, nullptr);
    quendle.setText(save, IDC_CHOOSER_NAME, tree.win("from-deep.txt").c_str());
    quendle.press(save, IDOK);
    quendle.step([&] { ASSERT_EQ(chdir(previous), 0); });
    EXPECT_EQ(contentsOf(tree.path("from-deep.txt")), contentsOf(tree.path("reference.txt")));
}

TEST(ComparingResult, AboutShowsTheTitleAndNoticeAndHelpOpensTheHelpFile) {
    TempTree tree;
    tree.file("HowToUse.txt", "help");
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(tree.root.c_str()), 0);
    {
        QuendleRun quendle;
        quendle.press(quendle.mainDialog, IDC_ABOUT);
        HWND about = quendle.dialog("About");
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(quendle.text(about, IDC_ABOUT_TITLE), "Quendle Ver. 1.1");
        EXPECT_EQ(quendle.text(about, IDC_ABOUT_NOTICE), "(C) 2026 The Quendle developers");
        EXPECT_EQ(quendle.text(about, IDC_UNADDRESSED), "All rights reserved.");
        // The owner is disabled while its box is open.
        const auto mainEnabled = [&] {
            bool enabled = false;
            quendle.step([&] { enabled = IsWindowEnabled(quendle.mainDialog) != FALSE; });
            return enabled;
        };
        EXPECT_FALSE(mainEnabled());
        quendle.key(KeyEnter);
        EXPECT_EQ(quendle.activeCaption(), "Quendle");
        EXPECT_TRUE(mainEnabled());
        quendle.press(quendle.mainDialog, IDC_HELP_BUTTON);
        EXPECT_EQ(quendle.openedDocument(), (tree.root / "HowToUse.txt").string());
    }
    ASSERT_EQ(chdir(previous), 0);
}
