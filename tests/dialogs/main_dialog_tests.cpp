// The main dialog through the scripted dialog manager: the enabling rule, the patterns, the
// keyboard and Browse.
#include "quendle_run.h"
#include "window_system/dialog_manager/file_chooser.h"
#include "resources/resource_ids.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

namespace {

bool compareButtonsEnabled(QuendleRun& quendle, bool enabled) {
    for (int id : {IDC_ALL_FILES, IDC_ALL_SUB_DIRS, IDOK})
        if (quendle.enabled(quendle.mainDialog, id) != enabled) return false;
    return true;
}

struct PatternCase {
    const char* source;
    const char* destination;
    std::vector<int> buttons;
    const char* expectedSource;
    const char* expectedDestination;
};

}  // namespace

TEST(MainDialog, CompareButtonsFollowBothEditsWhetherSetOrTyped) {
    QuendleRun quendle;
    ASSERT_NE(quendle.mainDialog, nullptr);
    EXPECT_TRUE(compareButtonsEnabled(quendle, false));
    quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, "C:\\data\\a.txt");
    EXPECT_TRUE(compareButtonsEnabled(quendle, false));
    quendle.setText(quendle.mainDialog, IDC_DESTINATION_SPEC, "D:\\backup\\a.txt");
    EXPECT_TRUE(compareButtonsEnabled(quendle, true));
    quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, "");
    EXPECT_TRUE(compareButtonsEnabled(quendle, false));
    // Typing into the focused source edit counts as much as the program's own text.
    EXPECT_EQ(quendle.focusId(), IDC_SOURCE_SPEC);
    quendle.type("x");
    EXPECT_TRUE(compareButtonsEnabled(quendle, true));
    quendle.key(KeyBackspace);
    EXPECT_TRUE(compareButtonsEnabled(quendle, false));
    quendle.press(quendle.mainDialog, IDCANCEL);
    EXPECT_TRUE(quendle.finished());
    EXPECT_EQ(quendle.exitCode(), 0);
}

TEST(MainDialog, PatternsReplaceWhatFollowsTheLastBackslashBeforeAWildcard) {
    const std::vector<PatternCase> cases = {
        {"C:\\data\\report.txt", "D:\\backup\\report.txt", {IDC_ALL_FILES}, "C:\\data\\*.*", "D:\\backup\\*.*"},
        {"C:\\data\\report.txt", "D:\\backup\\report.txt", {IDC_ALL_SUB_DIRS}, "C:\\data\\*\\*", "D:\\backup\\*\\*"},
        {"C:\\data\\*.txt", "D:\\b\\x", {IDC_ALL_SUB_DIRS}, "C:\\data\\*\\*", "D:\\b\\*\\*"},
        {"C:\\data\\", "report.txt", {IDC_ALL_FILES}, "C:\\data\\*.*", "*.*"},
        {"*.txt", "D:\\b\\x", {IDC_ALL_FILES}, "*.*", "D:\\b\\*.*"},
        {"C:\\data\\x", "D:\\b\\x", {IDC_ALL_FILES, IDC_ALL_FILES}, "C:\\data\\*.*", "D:\\b\\*.*"},
        {"C:\\data\\x", "D:\\b\\x", {IDC_ALL_FILES, IDC_ALL_SUB_DIRS}, "C:\\data\\*\\*", "D:\\b\\*\\*"},
        {"C:\\data\\x", "D:\\b\\x", {IDC_ALL_SUB_DIRS, IDC_ALL_FILES}, "C:\\data\\*.*", "D:\\b\\*.*"},
        // The second byte 0x5C of a Shift-JIS character counts as a backslash.
        {"C:\\data\\\x95\\.txt", "D:\\b\\x", {IDC_ALL_FILES}, "C:\\data\\\x95\\*.*", "D:\\b\\*.*"},
    };
    QuendleRun quendle;
    for (const PatternCase& test : cases) {
        quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, test.source);
        quendle.setText(quendle.mainDialog, IDC_DESTINATION_SPEC, test.destination);
        for (int button : test.buttons) quendle.press(quendle.mainDialog, button);
        EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_SOURCE_SPEC), test.expectedSource) << test.source;
        EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_DESTINATION_SPEC), test.expectedDestination)
            << test.source;
    }
}

// A folder typed as a folder (no trailing backslash) is taken as that folder: All Files and All Sub
// Dirs put the pattern behind it, and Compare compares its tree and shows what it compared; texts
// naming files are taken as before.
TEST(MainDialog, AFolderTypedAsAFolderIsThatFolder) {
    TempTree tree;
    tree.file("trees/src/a.txt", "same");
    tree.file("trees/dst/a.txt", "same");
    tree.file("trees/src/sub/b.txt", "one");
    tree.file("trees/dst/sub/b.txt", "two");
    QuendleRun quendle;
    const std::vector<PatternCase> cases = {
        {"", "", {IDC_ALL_SUB_DIRS}, "src\\*\\*", "dst\\*\\*"},
        {"", "", {IDC_ALL_FILES}, "src\\*.*", "dst\\*.*"},
        {"", "", {IDC_ALL_FILES, IDC_ALL_SUB_DIRS}, "src\\*\\*", "dst\\*\\*"},
        {"src\\a.txt", "dst\\a.txt", {IDC_ALL_SUB_DIRS}, "src\\*\\*", "dst\\*\\*"},
    };
    const std::string trees = tree.win("trees") + "\\";
    for (const PatternCase& test : cases) {
        quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, (trees + (*test.source ? test.source : "src")).c_str());
        quendle.setText(quendle.mainDialog, IDC_DESTINATION_SPEC,
                        (trees + (*test.destination ? test.destination : "dst")).c_str());
        for (int button : test.buttons) quendle.press(quendle.mainDialog, button);
        EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_SOURCE_SPEC), trees + test.expectedSource);
        EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_DESTINATION_SPEC), trees + test.expectedDestination);
    }
    HWND result = quendle.startCompare(trees + "src", trees + "dst", IDC_IGNORE_ANY_ERRORS);
    ASSERT_TRUE(quendle.runToDone(result));
    EXPECT_EQ(quendle.figures(result), (std::vector<std::string>{"1", "0", "1", "0", "2", "100"}));
    quendle.press(result, IDOK);
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_SOURCE_SPEC), trees + "src\\*\\*");
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_DESTINATION_SPEC), trees + "dst\\*\\*");
}

TEST(MainDialog, APatternThatWouldPassTheLimitChangesNeitherEdit) {
    QuendleRun quendle;
    // The last backslash at position 255 still leaves room for "*.*"; at 256 it does not.
    const std::string fits = "C:\\" + std::string(252, 'a') + "\\x.txt";
    const std::string tooLong = "C:\\" + std::string(253, 'a') + "\\x.txt";
    quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, fits.c_str());
    quendle.setText(quendle.mainDialog, IDC_DESTINATION_SPEC, "D:\\b\\x");
    quendle.press(quendle.mainDialog, IDC_ALL_FILES);
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_SOURCE_SPEC), fits.substr(0, 256) + "*.*");
    quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, tooLong.c_str());
    quendle.setText(quendle.mainDialog, IDC_DESTINATION_SPEC, "D:\\b\\x");
    quendle.press(quendle.mainDialog, IDC_ALL_FILES);
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_SOURCE_SPEC), tooLong);
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_DESTINATION_SPEC), "D:\\b\\x");
}

TEST(MainDialog, KeyboardReachesEveryControlInTemplateOrder) {
    QuendleRun quendle;
    EXPECT_EQ(quendle.focusId(), IDC_SOURCE_SPEC);
    quendle.key(KeyTab);
    EXPECT_EQ(quendle.focusId(), IDC_BROWSE_SOURCE);
    quendle.key(KeyTab);
    EXPECT_EQ(quendle.focusId(), IDC_DESTINATION_SPEC);
    // Disabled buttons are passed over; a radio group is entered at its selected button.
    quendle.key(KeyTab);
    quendle.key(KeyTab);
    EXPECT_EQ(quendle.focusId(), IDC_STOP_BY_ERRORS);
    quendle.key(KeyDown);
    EXPECT_TRUE(quendle.checked(quendle.mainDialog, IDC_STOP_BY_FATAL_ERRORS));
    EXPECT_FALSE(quendle.checked(quendle.mainDialog, IDC_STOP_BY_ERRORS));
    quendle.key(KeyBackTab);
    EXPECT_EQ(quendle.focusId(), IDC_BROWSE_DESTINATION);
    // A label's mnemonic reaches the edit after it; a radio button's selects it.
    quendle.key(altKey | 'd');
    EXPECT_EQ(quendle.focusId(), IDC_DESTINATION_SPEC);
    quendle.key(altKey | 'n');
    EXPECT_TRUE(quendle.checked(quendle.mainDialog, IDC_STOP_BY_NOTICES));
    quendle.key('4');
    EXPECT_TRUE(quendle.checked(quendle.mainDialog, IDC_RETRY_4));
    EXPECT_TRUE(quendle.checked(quendle.mainDialog, IDC_STOP_BY_NOTICES));
    // Enter on a disabled default button does nothing; Esc asks before it quits, Ctrl-C does not.
    quendle.key(KeyEnter);
    EXPECT_EQ(quendle.activeCaption(), "Quendle");
    quendle.key(KeyEscape);
    HWND question = quendle.dialog("Quendle");
    ASSERT_NE(question, quendle.mainDialog);
    quendle.key('n');
    EXPECT_FALSE(quendle.finished());
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_DESTINATION_SPEC), "");
    quendle.key(KeyEscape);
    quendle.key(KeyEnter);
    EXPECT_TRUE(quendle.finished());
    QuendleRun interrupted;
    interrupted.key(KeyInterrupt);
    EXPECT_TRUE(interrupted.finished());
}

TEST(MainDialog, BrowseStartsInTheEditsFolderAndFillsInTheChosenFile) {
    TempTree tree;
    tree.folder("data");
    tree.file("data/a.txt", "a");
    // Folders sort by their names: "apt" comes before "apt-transport-https".
    tree.folder("data/apt-transport-https");
    tree.folder("data/apt");
    QuendleRun quendle;
    quendle.setText(quendle.mainDialog, IDC_SOURCE_SPEC, tree.win("data/x.txt").c_str());
    quendle.press(quendle.mainDialog, IDC_BROWSE_SOURCE);
    HWND open = quendle.dialog("Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(quendle.text(open, IDC_CHOOSER_FOLDER), tree.win("data"));
    EXPECT_EQ(quendle.lines(open, IDC_CHOOSER_ENTRIES),
              (std::vector<std::string>{"..\\", "apt\\", "apt-transport-https\\", "a.txt"}));
    // A name that is not there is refused, and the chooser stays.
    quendle.setText(open, IDC_CHOOSER_NAME, "b.txt");
    quendle.press(open, IDOK);
    HWND refusal = quendle.dialog("Open");
    ASSERT_NE(refusal, open);
    quendle.key(KeyEnter);
    quendle.setText(open, IDC_CHOOSER_NAME, "a.txt");
    quendle.press(open, IDOK);
    EXPECT_EQ(quendle.activeCaption(), "Quendle");
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_SOURCE_SPEC), tree.win("data/a.txt"));
    // Cancel leaves the edit as it was.
    quendle.press(quendle.mainDialog, IDC_BROWSE_DESTINATION);
    quendle.key(KeyEscape);
    EXPECT_EQ(quendle.text(quendle.mainDialog, IDC_DESTINATION_SPEC), "");
}
