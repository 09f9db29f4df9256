// The terminal program itself, run in a real terminal (tmux) and worked by keyboard as a person would.
#include "support/shell_command.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>
#include <unistd.h>

namespace {

// One tmux server of its own, with quendle started in folder at the given size.
class Terminal {
public:
    Terminal(const fs::path& folder, int columns, int rows)
        : server("quendle-test-" + std::to_string(getpid()) + "-" + std::to_string(++started)),
          exitFile(folder / ".exit-code") {
        const std::string program = shellQuoted(QUENDLE_PROGRAM);
        const std::string shell = "cd " + shellQuoted(folder.string()) + " && " + program +
                                  "; echo $? > " + shellQuoted(exitFile.string()) + "; sleep 600";
        tmux("-f /dev/null new-session -d -x " + std::to_string(columns) + " -y " +
             std::to_string(rows) + " -e LANG=C.UTF-8 " + shellQuoted(shell));
        tmux("set -g escape-time 0");
    }
    ~Terminal() { tmux("kill-server"); }

    std::string tmux(const std::string& arguments) {
        return shellOutput("tmux -L " + server + " " + arguments + " 2>/dev/null");
    }
    void keys(const std::string& names) { tmux("send-keys " + names); }
    void type(const std::string& text) { tmux("send-keys -l " + shellQuoted(text)); }
    std::string screen() { return tmux("capture-pane -p"); }

    // Waits up to ten seconds for the screen to show text.
    bool shows(const std::string& text) {
        return waitUntil([&] { return screen().find(text) != std::string::npos; });
    }
    // The exit code once the program has ended, or -1.
    int exitCode() {
        int code = -1;
        waitUntil([&] {
            std::ifstream in(exitFile);
            return static_cast<bool>(in >> code);
        });
        return code;
    }

private:
    static bool waitUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 200; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // A server of its own per terminal: one that is shutting down must not take the next session.
    static inline int started = 0;
    std::string server;
    fs::path exitFile;
};

}  // namespace

TEST(Terminal, AWholeTreeIsComparedShownAndSavedByKeyboardAlone) {
    TempTree tree;
    tree.folder("src/sub");
    tree.folder("dst/sub");
    tree.file("src/a.txt", "same");
    tree.file("dst/a.txt", "same");
    tree.file("src/b.txt", "one");
    tree.file("dst/b.txt", "two");
    tree.file("src/sub/c.txt", "same");
    tree.file("dst/sub/c.txt", "same");
    Terminal terminal(tree.root, 80, 24);
    ASSERT_TRUE(terminal.shows("Source File Name"));
    terminal.type(tree.win("src/a.txt"));
    terminal.keys("Tab Tab");
    // Typed the Linux way: each "/" enters the "\\" the program reads paths with.
    terminal.type(tree.path("dst/a.txt").string());
    ASSERT_TRUE(terminal.shows("dst\\a.txt"));
    terminal.keys("M-u");
    ASSERT_TRUE(terminal.shows("src\\*\\*"));
    ASSERT_TRUE(terminal.shows("dst\\*\\*"));
    terminal.keys("M-i M-c");
    ASSERT_TRUE(terminal.shows("Done."));
    EXPECT_TRUE(terminal.shows("Total       ..    3 file(s)")) << terminal.screen();
    EXPECT_TRUE(terminal.shows("100%"));
    terminal.keys("M-l");
    ASSERT_TRUE(terminal.shows("NEC : b.txt"));
    EXPECT_TRUE(terminal.shows("OK! : sub\\c.txt"));
    terminal.keys("M-s");
    ASSERT_TRUE(terminal.shows("QDL_Log.txt"));
    terminal.keys("Enter");
    ASSERT_TRUE(terminal.shows("Details"));
    terminal.keys("Escape");
    terminal.keys("M-o");
    terminal.keys("M-q");
    EXPECT_EQ(terminal.exitCode(), 0);
    EXPECT_NE(contentsOf(tree.path("QDL_Log.txt")).find("NEC : b.txt\r\n"), std::string::npos);
}

TEST(Terminal, ATerminalTooSmallSaysSoUntilItGrows) {
    TempTree tree;
    Terminal terminal(tree.root, 40, 12);
    ASSERT_TRUE(terminal.shows("The terminal is too small"));
    EXPECT_TRUE(terminal.shows("It needs 62 x 16 cells, it has 40 x 12."));
    terminal.tmux("resize-window -x 80 -y 24");
    ASSERT_TRUE(terminal.shows("Source File Name"));
    // Esc asks before it quits; Ctrl-C does not.
    terminal.keys("Escape");
    ASSERT_TRUE(terminal.shows("Quit Quendle?"));
    terminal.keys("n");
    ASSERT_TRUE(terminal.shows("Source File Name"));
    terminal.keys("C-c");
    EXPECT_EQ(terminal.exitCode(), 0);
}

// Names are drawn by what they are: an accented letter in one cell, a Japanese character in two,
// a line too long for the list cut at a character inside its border, scrolled by Right and back
// by Home, and a byte that is no UTF-8 shown escaped.
TEST(Terminal, NamesInAnyScriptKeepToTheirCells) {
    TempTree tree;
    std::string wide;  // twenty characters of two cells each
    for (int i = 0; i < 4; ++i) wide += "\u65e5\u672c\u8a9e\u306e\u540d";
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/caf\u00e9.txt", "same");
        tree.file(side + "/" + wide + ".txt", "same");
        tree.file(side + "/raw\xe9.txt", "same");
    }
    Terminal terminal(tree.root, 80, 24);
    ASSERT_TRUE(terminal.shows("Source File Name"));
    terminal.type(tree.path("src").string());
    terminal.keys("Tab Tab");
    terminal.type(tree.path("dst").string());
    terminal.keys("M-i M-c");
    ASSERT_TRUE(terminal.shows("Done."));
    terminal.keys("M-l");
    ASSERT_TRUE(terminal.shows("\u2502OK! : caf\u00e9.txt "));
    EXPECT_TRUE(terminal.shows("\u2502OK! : raw<E9>.txt ")) << terminal.screen();
    // 39 cells inside the list: "OK! : " and 16 wide characters take 38; the 17th would not fit.
    EXPECT_TRUE(terminal.shows("\u2502OK! : " + wide.substr(0, 16 * 3) + " \u2502")) << terminal.screen();
    terminal.keys("BTab");
    for (int i = 0; i < 12; ++i) terminal.keys("Right");
    EXPECT_TRUE(terminal.shows(wide.substr(17 * 3) + ".txt ")) << terminal.screen();
    terminal.keys("Home");
    EXPECT_TRUE(terminal.shows("\u2502OK! : caf")) << terminal.screen();
    terminal.keys("C-c C-c C-c");  // Details, Comparing Result, the main dialog
    EXPECT_EQ(terminal.exitCode(), 0);
}

// A field entered by Tab, Shift-Tab or its mnemonic has its whole text selected, shown in reverse
// video, so that typing replaces it; Ctrl-U clears a field. Browse from a path typed the Linux way
// opens in that path's folder.
TEST(Terminal, AnEnteredFieldIsSelectedSoThatTypingReplacesIt) {
    TempTree tree;
    tree.file("trees/src/inside.txt", "x");
    Terminal terminal(tree.root, 80, 24);
    ASSERT_TRUE(terminal.shows("Source File Name"));
    terminal.type("abc");
    terminal.keys("Tab BTab");
    const std::regex selectedAbc("\x1b\\[([0-9]+;)*7(;[0-9]+)*mabc");
    EXPECT_TRUE(std::regex_search(terminal.tmux("capture-pane -p -e"), selectedAbc));
    terminal.type("xyz");
    ASSERT_TRUE(terminal.shows("xyz____"));
    EXPECT_EQ(terminal.screen().find("abc"), std::string::npos);
    terminal.keys("M-d");
    terminal.type("one");
    terminal.keys("M-s");
    terminal.type("two");
    ASSERT_TRUE(terminal.shows("two____"));
    terminal.keys("Tab Tab");
    terminal.type("three");
    ASSERT_TRUE(terminal.shows("three____"));
    EXPECT_EQ(terminal.screen().find("one__"), std::string::npos);
    // An arrow ends the selection at its start or end: typing goes in there.
    terminal.keys("M-s Left");
    terminal.type("!");
    ASSERT_TRUE(terminal.shows("!two____"));
    terminal.keys("C-u");
    terminal.type(tree.path("trees/src/inside.txt").string());
    ASSERT_TRUE(terminal.shows("inside.txt"));
    terminal.keys("M-b");
    // The folder shows whole, or its end behind an ellipsis where the temporary folder is long.
    EXPECT_TRUE(terminal.shows("\\trees\\src ")) << terminal.screen();
    EXPECT_TRUE(terminal.shows("\u2502inside.txt")) << terminal.screen();
    terminal.keys("Escape");
    terminal.keys("M-q");
    EXPECT_EQ(terminal.exitCode(), 0);
}
