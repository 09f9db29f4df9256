// quendle.exe under Wine, driven through its dialogs on real files.
#include "quendle_session.h"
#include "resources/resource_ids.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::string> sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Types both specifications, picks the stop level and presses Compare.
HWND startCompare(QuendleSession& quendle, const std::string& source,
                  const std::string& destination, int stopButton) {
    if (!source.empty()) setText(quendle.mainDialog, IDC_SOURCE_SPEC, source);
    if (!destination.empty()) setText(quendle.mainDialog, IDC_DESTINATION_SPEC, destination);
    press(quendle.mainDialog, stopButton);
    press(quendle.mainDialog, IDOK);
    return quendle.waitForDialog("Comparing Result");
}

// Picks a.txt on both sides and turns both names into the button's pattern.
bool pickAndApplyPattern(QuendleSession& quendle, const TempTree& tree, int button,
                         const char* pattern) {
    setText(quendle.mainDialog, IDC_SOURCE_SPEC, tree.win("src/a.txt"));
    setText(quendle.mainDialog, IDC_DESTINATION_SPEC, tree.win("dst/a.txt"));
    press(quendle.mainDialog, button);
    return waitUntil([&] {
        return textOf(quendle.mainDialog, IDC_DESTINATION_SPEC) == tree.win("dst/") + pattern;
    });
}

bool done(HWND result) {
    return textOf(result, IDC_STATUS) == "Done.";
}

// No difference, notices, errors, fatal errors, total, and the percentage.
std::vector<std::string> figures(HWND result) {
    return {textOf(result, IDC_NO_DIFFERENCE), textOf(result, IDC_NOTICES),
            textOf(result, IDC_ERRORS),        textOf(result, IDC_FATAL_ERRORS),
            textOf(result, IDC_TOTAL),         textOf(result, IDC_RATE)};
}

HWND showLog(QuendleSession& quendle, HWND result) {
    press(result, IDC_SHOW_LOG);
    return quendle.waitForDialog("Details");
}

void closeDialog(HWND dialog, int button) {
    press(dialog, button);
    waitUntil([&] { return !IsWindow(dialog); });
}

// Save Log through the platform's save dialog, under the given full name.
void saveLog(QuendleSession& quendle, HWND details, const std::string& fileName) {
    press(details, IDC_SAVE_LOG);
    HWND save = quendle.waitForDialog("Save As");
    ASSERT_NE(save, nullptr);
    HWND name = GetDlgItem(save, cmb13);
    if (name == nullptr) name = GetDlgItem(save, edt1);
    ASSERT_NE(name, nullptr);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
    closeDialog(save, IDOK);
}

}  // namespace

TEST(EndToEnd, CompareIsEnabledExactlyWhileBothNamesAreFilled) {
    QuendleSession quendle(programFolder());
    HWND main = quendle.mainDialog;
    ASSERT_NE(main, nullptr);
    const int buttons[] = {IDC_ALL_FILES, IDC_ALL_SUB_DIRS, IDOK};
    auto allEnabled = [&](bool state) {
        return std::all_of(std::begin(buttons), std::end(buttons),
                           [&](int id) { return enabled(main, id) == state; });
    };
    EXPECT_TRUE(allEnabled(false));
    setText(main, IDC_SOURCE_SPEC, "C:\\data\\report.txt");
    EXPECT_TRUE(allEnabled(false));
    setText(main, IDC_DESTINATION_SPEC, " ");
    EXPECT_TRUE(allEnabled(true));
    setText(main, IDC_SOURCE_SPEC, "");
    EXPECT_TRUE(allEnabled(false));
    setText(main, IDC_SOURCE_SPEC, "C:\\data\\report.txt");
    setText(main, IDC_DESTINATION_SPEC, "D:\\backup\\report.txt");
    press(main, IDC_ALL_SUB_DIRS);
    EXPECT_TRUE(waitUntil([&] { return textOf(main, IDC_DESTINATION_SPEC) == "D:\\backup\\*\\*"; }));
    EXPECT_EQ(textOf(main, IDC_SOURCE_SPEC), "C:\\data\\*\\*");
    press(main, IDC_ALL_FILES);
    EXPECT_TRUE(waitUntil([&] { return textOf(main, IDC_SOURCE_SPEC) == "C:\\data\\*.*"; }));

    press(main, IDC_ABOUT);
    HWND about = quendle.waitForDialog("About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(textOf(about, IDC_ABOUT_TITLE), "Quendle Ver. 1.1");
    EXPECT_EQ(textOf(about, IDC_ABOUT_NOTICE), "(C) 2026 The Quendle developers");
    closeDialog(about, IDOK);
    EXPECT_EQ(quendle.quit(), 0);
}

TEST(EndToEnd, MissingSingleFileStopsByErrors) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    tree.file("src/a.txt", "alpha");
    QuendleSession quendle(programFolder());
    HWND result = startCompare(quendle, tree.win("src/a.txt"), tree.win("dst/a.txt"),
                               IDC_STOP_BY_ERRORS);
    ASSERT_NE(result, nullptr);
    ASSERT_TRUE(waitUntil([&] { return done(result); }));
    EXPECT_EQ(figures(result), (std::vector<std::string>{"0", "0", "1", "0", "1", "0"}));
    EXPECT_TRUE(enabled(result, IDOK) && enabled(result, IDC_SHOW_LOG));
    EXPECT_FALSE(enabled(result, IDC_ABORT));
    HWND details = showLog(quendle, result);
    EXPECT_EQ(listLines(details, IDC_LOG_LIST), std::vector<std::string>{"SOF : a.txt"});
    closeDialog(details, IDCANCEL);
    closeDialog(result, IDOK);
    EXPECT_EQ(quendle.quit(), 0);
}

TEST(EndToEnd, FolderPatternRunIsListedAndSavedByteForByte) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        tree.file(std::string("src/") + name, std::string("contents of ") + name);
        tree.file(std::string("dst/") + name, std::string("contents of ") + name);
    }
    tree.file("dst/c.txt", "contents of C.txt");
    QuendleSession quendle(programFolder());
    ASSERT_TRUE(pickAndApplyPattern(quendle, tree, IDC_ALL_FILES, "*.*"));
    HWND result = startCompare(quendle, "", "", IDC_IGNORE_ANY_ERRORS);
    ASSERT_TRUE(waitUntil([&] { return done(result); }));
    EXPECT_EQ(figures(result), (std::vector<std::string>{"2", "0", "1", "0", "3", "100"}));

    HWND details = showLog(quendle, result);
    const std::vector<std::string> lines = listLines(details, IDC_LOG_LIST);
    EXPECT_EQ(sorted(lines), (std::vector<std::string>{"NEC : c.txt", "OK! : a.txt", "OK! : b.txt"}));
    saveLog(quendle, details, tree.win("saved.txt"));
    std::string expected = "Quendle Log File\r\nSource      : " + tree.win("src/*.*") +
                           "\r\nDestination : " + tree.win("dst/*.*") +
                           "\r\n\r\nNo Defference : 2\r\nWarnings      : 0\r\nErrors        : 1"
                           "\r\nFatal Errors  : 0\r\nTotal         : 3\r\n\r\n";
    for (const std::string& line : lines) expected += line + "\r\n";
    EXPECT_TRUE(waitUntil([&] { return contentsOf(tree.path("saved.txt")) == expected; }));
    closeDialog(details, IDCANCEL);
    closeDialog(result, IDOK);
    EXPECT_EQ(quendle.quit(), 0);
}

TEST(EndToEnd, WholeTreeRunWithAllSubDirs) {
    TempTree tree;
    for (const char* folder : {"src", "dst", "src/docs", "dst/docs", "src/docs/old"})
        tree.folder(folder);
    for (const char* side : {"src/", "dst/"}) {
        tree.file(std::string(side) + "a.txt", "alpha");
        tree.file(std::string(side) + "docs/b.txt", "beta");
    }
    tree.file("src/docs/old/c.txt", "gamma");
    tree.touch("dst/a.txt", 60);
    QuendleSession quendle(programFolder());
    ASSERT_TRUE(pickAndApplyPattern(quendle, tree, IDC_ALL_SUB_DIRS, "*\\*"));
    HWND result = startCompare(quendle, "", "", IDC_STOP_BY_FATAL_ERRORS);
    ASSERT_TRUE(waitUntil([&] { return done(result); }));
    EXPECT_EQ(figures(result), (std::vector<std::string>{"1", "1", "1", "0", "3", "100"}));
    HWND details = showLog(quendle, result);
    EXPECT_EQ(sorted(listLines(details, IDC_LOG_LIST)),
              (std::vector<std::string>{"NET : a.txt", "OK! : docs\\b.txt", "SOD : docs\\old"}));
    closeDialog(details, IDCANCEL);
    closeDialog(result, IDOK);
    EXPECT_EQ(quendle.quit(), 0);
}

TEST(EndToEnd, AbortInTheMiddleOfALargeFileClosesItAndANewRunStartsAfresh) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    const std::string big = patternBytes(64u << 20);
    tree.file("src/big.bin", big);
    tree.file("dst/big.bin", big);
    QuendleSession quendle(programFolder());
    HWND result = startCompare(quendle, tree.win("src/big.bin"), tree.win("dst/big.bin"),
                               IDC_STOP_BY_ERRORS);
    ASSERT_TRUE(waitUntil([&] { return textOf(result, IDC_CURRENT_NAME) == "big.bin"; }));
    press(result, IDC_ABORT);
    ASSERT_TRUE(waitUntil([&] { return done(result); }));
    EXPECT_EQ(textOf(result, IDC_TOTAL), "0");
    EXPECT_EQ(textOf(result, IDC_CURRENT_NAME), "");
    // Both files are closed: an exclusive open succeeds.
    for (const char* side : {"src/big.bin", "dst/big.bin"}) {
        HANDLE file = CreateFileA(tree.win(side).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << side;
        CloseHandle(file);
    }
    HWND details = showLog(quendle, result);
    EXPECT_TRUE(listLines(details, IDC_LOG_LIST).empty());
    closeDialog(details, IDCANCEL);
    closeDialog(result, IDOK);

    result = startCompare(quendle, "", "", IDC_STOP_BY_ERRORS);
    ASSERT_TRUE(waitUntil([&] { return textOf(result, IDC_CURRENT_NAME) == "big.bin"; }));
    EXPECT_EQ(textOf(result, IDC_STATUS), "Prease wait now comparing...");
    EXPECT_EQ(textOf(result, IDC_TOTAL), "0");
    // Cancel while running closes the dialog at once.
    PostMessageA(result, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(result); }));
    EXPECT_EQ(quendle.quit(), 0);
}

namespace {

// A file by its wide name, which the driver's own code page may not carry; the copy keeps its time.
void wideFile(const std::string& folder, const wchar_t* name, const char* contents, const std::string& copy = "") {
    const std::wstring path = std::wstring(folder.begin(), folder.end()) + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, contents, static_cast<DWORD>(strlen(contents)), &written, nullptr);
    CloseHandle(file);
    if (!copy.empty())
        CopyFileW(path.c_str(), (std::wstring(copy.begin(), copy.end()) + L"\\" + name).c_str(), FALSE);
}

}  // namespace

// A name the code page cannot carry is never read as another: with the UTF-8 code page its manifest
// asks for, quendle.exe compares "Ωmega.txt" as itself; a build without it (as Windows before 1903
// runs it, in code page 1252 here) reports it as a fatal error, and never as "Omega.txt", whose
// file best fit would have compared twice. The folders are typed as folders.
TEST(EndToEnd, ANameBeyondTheCodePageIsNeverReadAsAnother) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    wideFile(tree.win("src"), L"\u03a9mega.txt", "one");
    wideFile(tree.win("dst"), L"\u03a9mega.txt", "two");
    wideFile(tree.win("src"), L"Omega.txt", "same", tree.win("dst"));
    const struct {
        const char* program;
        std::vector<std::string> lines;
    } runs[] = {
        {"quendle.exe", {"NEC : \u03a9mega.txt", "OK! : Omega.txt"}},
        {"quendle_legacy_code_page.exe", {"OK! : Omega.txt", "SOE : ?mega.txt"}},
    };
    for (const auto& run : runs) {
        QuendleSession quendle(programFolder(), run.program);
        ASSERT_NE(quendle.mainDialog, nullptr) << run.program;
        setText(quendle.mainDialog, IDC_SOURCE_SPEC, tree.win("src"));
        setText(quendle.mainDialog, IDC_DESTINATION_SPEC, tree.win("dst"));
        // All Sub Dirs takes each folder itself; Compare does the same by itself.
        if (&run == &runs[0]) {
            press(quendle.mainDialog, IDC_ALL_SUB_DIRS);
            EXPECT_TRUE(waitUntil([&] { return textOf(quendle.mainDialog, IDC_DESTINATION_SPEC) == tree.win("dst/*/*"); }));
        }
        HWND result = startCompare(quendle, "", "", IDC_IGNORE_ANY_ERRORS);
        ASSERT_TRUE(waitUntil([&] { return done(result); })) << run.program;
        EXPECT_EQ(textOf(quendle.mainDialog, IDC_SOURCE_SPEC), tree.win("src/*/*")) << run.program;
        HWND details = showLog(quendle, result);
        EXPECT_EQ(sorted(listLines(details, IDC_LOG_LIST)), run.lines) << run.program;
        if (run.lines[0][0] == 'N') {
            saveLog(quendle, details, tree.win("names.txt"));
            EXPECT_TRUE(waitUntil([&] {
                return contentsOf(tree.path("names.txt")).find("\r\nNEC : \xce\xa9mega.txt\r\n") != std::string::npos;
            }));
        }
        closeDialog(details, IDCANCEL);
        closeDialog(result, IDOK);
        EXPECT_EQ(quendle.quit(), 0);
    }
}

namespace {
BOOL CALLBACK findHelpWindow(HWND window, LPARAM found) {
    char caption[256];
    GetWindowTextA(window, caption, sizeof caption);
    if (!IsWindowVisible(window) || strstr(caption, "HowToUse") == nullptr) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
}  // namespace

TEST(EndToEnd, HelpOpensTheHelpFileFromAFolderWithBlanks) {
    TempTree tree;
    tree.folder("Program Files");
    tree.folder("Program Files/Quendle & Co");
    const std::string folder = tree.win("Program Files/Quendle & Co");
    for (const char* file : {"\\quendle.exe", "\\HowToUse.txt"})
        ASSERT_TRUE(CopyFileA((programFolder() + file).c_str(), (folder + file).c_str(), FALSE));
    QuendleSession quendle(folder);
    press(quendle.mainDialog, IDC_HELP_BUTTON);
    HWND help = nullptr;
    EXPECT_TRUE(waitUntil([&] {
        EnumWindows(findHelpWindow, reinterpret_cast<LPARAM>(&help));
        return help != nullptr;
    }));
    if (help != nullptr) PostMessageA(help, WM_CLOSE, 0, 0);
    EXPECT_EQ(quendle.quit(), 0);
}
