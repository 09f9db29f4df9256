// qdlcheck itself, run as a script would run it, on real trees: its lines, exit status, log and
// messages. With QDLCHECK_COMMAND set (for instance "wine .../qdlcheck.exe") the same cases run
// against that program, with Windows paths; what only a POSIX program can show is skipped there.
#include "dialogs/quendle_run.h"
#include "engine/qdl_core.h"
#include "platform/posix/dialogs/file_chooser.h"
#include "resources/resource_ids.h"
#include "support/shell_command.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The program and the words in front of it.
std::vector<std::string> programCommand() {
    std::vector<std::string> words;
    if (const char* command = std::getenv("QDLCHECK_COMMAND")) {
        std::istringstream in(command);
        for (std::string word; in >> word;) words.push_back(word);
        return words;
    }
    return {QDLCHECK_PROGRAM};
}

bool underWine() {
    return std::getenv("QDLCHECK_COMMAND") != nullptr;
}

// A path as the program under test takes it: POSIX natively, the Windows form under Wine.
std::string native(const fs::path& path) {
    if (!underWine()) return path.string();
    std::string text = "Z:" + path.string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}

// The separator the program prints between levels.
std::string levels(std::string relative) {
    if (underWine())
        for (char& c : relative)
            if (c == '/') c = '\\';
    return relative;
}

// Lines in a fixed order: Wine lists a folder in an order of its own.
std::string sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const auto& line : lines) sorted += line + "\n";
    return sorted;
}

// A Windows program ends its text lines with CR LF.
std::string textOf(const fs::path& file) {
    std::string text = contentsOf(file);
    if (underWine())
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Starts the program in folder with its output in two files; rlimit, when given, caps the size of
// the files it writes.
pid_t start(const std::vector<std::string>& arguments, const fs::path& folder, const fs::path& out,
            const fs::path& err, rlim_t fileSizeLimit = RLIM_INFINITY) {
    std::vector<std::string> words = programCommand();
    words.insert(words.end(), arguments.begin(), arguments.end());
    const pid_t child = fork();
    if (child != 0) return child;
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int outFile = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFile = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const rlimit limit{fileSizeLimit, RLIM_INFINITY};
    if (chdir(folder.c_str()) != 0 || dup2(outFile, 1) < 0 || dup2(errFile, 2) < 0 ||
        setrlimit(RLIMIT_FSIZE, &limit) != 0)
        _exit(127);
    execvp(argv[0], argv.data());
    _exit(127);
}

int waitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class Qdlcheck : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string side : {"src", "dst"}) {
            tree.file(side + "/a.txt", "same");
            tree.file(side + "/sub/b.txt", "same below");
        }
    }
    Outcome run(const std::vector<std::string>& arguments, rlim_t fileSizeLimit = RLIM_INFINITY) {
        const fs::path out = tree.path(".out");
        const fs::path err = tree.path(".err");
        const int status = waitFor(start(arguments, tree.root, out, err, fileSizeLimit));
        return {status, textOf(out), textOf(err)};
    }
    // Both sides as folders, by their native paths.
    Outcome compare(std::vector<std::string> options = {}) {
        options.push_back(native(tree.path("src")));
        options.push_back(native(tree.path("dst")));
        return run(options);
    }
    TempTree tree;
};

TEST_F(Qdlcheck, EachExitBitFromWhatIsFoundOnDisk) {
    Outcome clean = compare();
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "");
    EXPECT_NE(clean.err.find("Total 2"), std::string::npos) << clean.err;
    EXPECT_NE(clean.err.find("every entry was compared"), std::string::npos);

    tree.touch("dst/a.txt", 5);
    EXPECT_EQ(compare().out, "NET : a.txt\n");
    EXPECT_EQ(compare().status, 1);
    tree.file("dst/sub/b.txt", "SAME BELOW");
    EXPECT_EQ(compare().status, 1 | 2);
    tree.file("src/c.txt", "longer on the source");
    tree.file("dst/c.txt", "longer");
    Outcome all = compare();
    EXPECT_EQ(all.status, 1 | 2 | 4);
    // The source longer than its copy was compared over the common length only.
    EXPECT_NE(all.err.find("NOT every entry was compared in full: see the fatal errors."), std::string::npos);
    EXPECT_EQ(sortedLines(all.out), levels("NEC : sub/b.txt\n") + "NET : a.txt\nSID : c.txt\n");
    EXPECT_EQ(compare({"--all"}).out, all.out);
    Outcome quiet = compare({"--quiet"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.status, 7);
    // The stop level ends the run at the first notice: not every entry was compared.
    Outcome stopped = compare({"--stop", "notices"});
    EXPECT_EQ(stopped.status, 1 | 8);
    EXPECT_EQ(stopped.out, "NET : a.txt\n");
    EXPECT_NE(stopped.err.find("NOT every entry was compared"), std::string::npos);
    // At the first fatal error, before the contents below are compared.
    EXPECT_EQ(compare({"--stop=fatal"}).status, 1 | 4 | 8);
}

// The summary without its time and rate, which differ from run to run.
std::string timeless(std::string summary) {
    return std::regex_replace(summary, std::regex(" in [0-9.]+ s \\([0-9.]+ [MG]B/s\\)"), "");
}

// Empty when the texts are equal; otherwise their first differing lines.
std::string firstDifference(const std::string& a, const std::string& b) {
    std::istringstream inA(a), inB(b);
    for (std::string lineA, lineB;;) {
        const bool moreA = static_cast<bool>(std::getline(inA, lineA));
        const bool moreB = static_cast<bool>(std::getline(inB, lineB));
        if (!moreA && !moreB) return a == b ? "" : "the same lines, other bytes";
        if (!moreA || !moreB || lineA != lineB)
            return "'" + (moreA ? lineA : "(end)") + "' against '" + (moreB ? lineB : "(end)") + "'";
    }
}

// A file whose size says more than its reads give, for a read that comes short.
const char* shortReadFile() {
    for (const char* file : {"/sys/kernel/uevent_seqnum", "/sys/kernel/profiling"}) {
        std::error_code error;
        if (fs::file_size(file, error) == 4096 && contentsOf(file).size() < 4096) return file;
    }
    return nullptr;
}

// 5,000 files with every kind of result, compared one pair at a time and several at once: the
// lines, their order, the summary, the log and the exit status are the same, also when a stop
// level ends the run in the middle.
TEST_F(Qdlcheck, AnyNumberOfJobsGivesTheSameAnswer) {
    for (int folder = 0; folder < 50; ++folder) {
        for (int file = 0; file < 100; ++file) {
            const int n = folder * 100 + file;
            const std::string name = "f" + std::to_string(folder) + "/file" + std::to_string(file);
            const std::string contents = patternBytes(100 + n % 1900, n);
            tree.file("src/" + name, contents);
            if (n % 211 == 7) continue;  // SOF
            tree.file("dst/" + name, n % 97 == 5 ? contents + "x" : contents);  // DIS
            if (n % 89 == 3) tree.touch("dst/" + name, 2);                       // NET
        }
    }
    tree.file("src/f10/large.bin", patternBytes(1 << 20, 3));
    tree.file("dst/f10/large.bin", patternBytes(1 << 20, 4));  // NEC, long after the pairs behind
    tree.folder("src/f20/gone");                               // SOD
    tree.file("src/f30/folder.txt", "a file here");
    tree.folder("dst/f30/folder.txt");                         // DOE
    ASSERT_TRUE(tree.link("..", "src/f40/loop"));              // SOE
    tree.folder("dst/f40/loop");
    if (const char* file = shortReadFile(); file != nullptr && !underWine()) {
        tree.file("dst/f45/short.src", std::string(4096, 'x'));
        tree.file("src/f45/short.dst", std::string(4096, 'x'));
        ASSERT_TRUE(tree.link(file, "src/f45/short.src"));  // SRE
        ASSERT_TRUE(tree.link(file, "dst/f45/short.dst"));  // DRE
    }
    for (const std::string stop : {"never", "errors"}) {
        Outcome one;
        std::string oneLog;
        for (const std::string jobs : {"1", "2", "8"}) {
            Outcome r = compare({"--all", "--stop", stop, "--jobs", jobs, "--log", "qdl.log"});
            r.err = timeless(r.err);
            const std::string log = contentsOf(tree.path("qdl.log"));
            if (jobs == "1") {
                one = r;
                oneLog = log;
                continue;
            }
            EXPECT_EQ(r.status, one.status) << stop << ", " << jobs << " jobs";
            EXPECT_EQ(firstDifference(r.out, one.out), "") << stop << ", " << jobs << " jobs";
            EXPECT_EQ(r.err, one.err) << stop << ", " << jobs << " jobs";
            EXPECT_EQ(firstDifference(log, oneLog), "") << stop << ", " << jobs << " jobs";
        }
        if (stop == "never") {
            EXPECT_EQ(one.status, 1 | 2 | 4);
            for (const char* code : {"NET : ", "DIS : ", "NEC : ", "SOD : ", "SOF : ", "SOE : ", "DOE : "})
                EXPECT_NE(one.out.find(code), std::string::npos) << code;
            if (shortReadFile() != nullptr && !underWine()) {
                EXPECT_NE(one.out.find("SRE : f45/short.src\n"), std::string::npos);
                EXPECT_NE(one.out.find("DRE : f45/short.dst\n"), std::string::npos);
            }
            EXPECT_NE(one.err.find("Total 5"), std::string::npos) << one.err;
        } else {
            EXPECT_EQ(one.status & (2 | 8), 2 | 8);
            EXPECT_LT(one.out.size(), 2000u) << "the run should stop early";
        }
    }
}

TEST_F(Qdlcheck, TopFolderOnlyAFileAgainstAFolderAndRelativePaths) {
    tree.file("dst/sub/b.txt", "differs below");
    EXPECT_EQ(compare({"--top"}).status, 0);
    EXPECT_EQ(compare().out, levels("NEC : sub/b.txt\n"));
    // Relative to the folder it runs in, a file against the folder that holds its copy.
    Outcome file = run({"--all", levels("src/sub/b.txt"), "dst/sub"});
    EXPECT_EQ(file.out, "NEC : b.txt\n");
    EXPECT_EQ(file.status, 2);
    EXPECT_EQ(run({levels("src/a.txt"), levels("dst/a.txt")}).status, 0);
    // A pattern is taken as the main dialog takes it, relative to the same folder.
    EXPECT_EQ(run({"--all", levels("src/*.txt"), "dst"}).out, "OK! : a.txt\n");
    EXPECT_EQ(run({"--all", levels("src/*/*"), levels("dst/*/*")}).status, 2);
}

TEST_F(Qdlcheck, UsageErrorsAndWhatCannotBeComparedExitWith16AndOneLine) {
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{}, "qdlcheck: SOURCE and DESTINATION are both needed (see qdlcheck --help)\n"},
        {{"src"}, "qdlcheck: SOURCE and DESTINATION are both needed (see qdlcheck --help)\n"},
        {{"src", "dst", "more"}, "qdlcheck: only SOURCE and DESTINATION, nothing more (see qdlcheck --help)\n"},
        {{"--frob", "src", "dst"}, "qdlcheck: unknown option --frob (see qdlcheck --help)\n"},
        {{"--stop", "soon", "src", "dst"},
         "qdlcheck: --stop takes notices, errors, fatal or never, not soon (see qdlcheck --help)\n"},
        {{"src", "dst", "--log"}, "qdlcheck: this option needs a value: --log (see qdlcheck --help)\n"},
        {{"--jobs", "0", "src", "dst"},
         "qdlcheck: --jobs takes a number from 1 to 64, not 0 (see qdlcheck --help)\n"},
        {{"-j", "4x", "src", "dst"},
         "qdlcheck: --jobs takes a number from 1 to 64, not 4x (see qdlcheck --help)\n"},
        {{"--all", "--quiet", "src", "dst"},
         "qdlcheck: --all and --quiet do not go together (see qdlcheck --help)\n"},
        {{"none", "dst"}, "qdlcheck: none: no such file or folder\n"},
        {{levels("none/*.txt"), "dst"}, "qdlcheck: " + levels("none/*.txt") + ": its folder does not exist\n"},
        {{"--log", levels("no/such/folder/log.txt"), "src", "dst"},
         "qdlcheck: cannot create the log file " + levels("no/such/folder/log.txt") + "\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.status, 16) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
    const Outcome refused = run({levels("src/*/sub/*"), "dst"});
    EXPECT_EQ(refused.status, 16);
    EXPECT_NE(refused.err.find("a wildcard may stand only in the last level"), std::string::npos);
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: qdlcheck [options] SOURCE DESTINATION"), std::string::npos);
    EXPECT_EQ(run({"--version"}).out, "qdlcheck 1.1.0 (Quendle)\n");
}

TEST_F(Qdlcheck, LogIsByteForByteWhatSaveLogWritesForTheSameRun) {
    tree.file("dst/sub/b.txt", "differs below");
    tree.file("src/only.txt", "no copy");
    const Outcome logged = run({"--log", "qdl.log", "src", "dst"});
    EXPECT_EQ(logged.status, 2);
    const std::string log = contentsOf(tree.path("qdl.log"));
    if (underWine()) {
        EXPECT_EQ(log.substr(0, 33), "Quendle Log File\r\nSource      : Z");
        EXPECT_NE(log.find("\r\nNEC : sub\\b.txt\r\n"), std::string::npos);
        return;
    }
    // The same run through the dialogs, with the specifications the program worked out.
    QuendleRun quendle;
    HWND result = quendle.startCompare(tree.win("src/*/*"), tree.win("dst/*/*"), IDC_IGNORE_ANY_ERRORS);
    ASSERT_TRUE(quendle.runToDone(result));
    quendle.press(result, IDC_SHOW_LOG);
    HWND details = quendle.dialog("Details");
    quendle.press(details, IDC_SAVE_LOG);
    HWND save = quendle.dialog("Save As");
    quendle.setText(save, IDC_CHOOSER_NAME, tree.win("dialogs.log").c_str());
    quendle.press(save, IDOK);
    EXPECT_EQ(log, contentsOf(tree.path("dialogs.log")));
    EXPECT_NE(log.find("\r\n\r\nOK! : a.txt\r\nSOF : only.txt\r\nNEC : sub\\b.txt\r\n"), std::string::npos);
}

TEST_F(Qdlcheck, ALogThatCannotBeWrittenAdds16AndLeavesTheEarlierLogWhole) {
    if (underWine()) GTEST_SKIP() << "the file-size limit is a POSIX one";
    tree.file("qdl.log", "the log of an earlier run");
    // The limit holds for every file the program writes: its output is kept short, its log is not.
    for (int i = 0; i < 40; ++i) tree.file("src/missing-at-the-destination-" + std::to_string(i), "");
    const Outcome r = run({"--quiet", "--log", "qdl.log", "src", "dst"}, 1000);
    EXPECT_EQ(r.status, 2 | 16);
    EXPECT_NE(r.err.find("qdlcheck: the log file could not be written: qdl.log\n"), std::string::npos) << r.err;
    EXPECT_EQ(contentsOf(tree.path("qdl.log")), "the log of an earlier run");
    EXPECT_EQ(std::distance(fs::directory_iterator(tree.root), fs::directory_iterator()), 5)
        << "src, dst, .out, .err and the log: no temporary file left behind";
}

TEST_F(Qdlcheck, CtrlCInALargeFileAbandonsItClosedAndSaysSo) {
    if (underWine()) GTEST_SKIP() << "SIGINT reaches a POSIX program only";
    tree.sparseFile("src/big.bin", 64ull << 30);
    tree.sparseFile("dst/big.bin", 64ull << 30);
    const fs::path out = tree.path(".out");
    const fs::path err = tree.path(".err");
    const pid_t child = start({"--log", "qdl.log", native(tree.path("src")), native(tree.path("dst"))},
                              tree.root, out, err);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(child, SIGINT);
    EXPECT_EQ(waitFor(child), 8);
    EXPECT_NE(contentsOf(err).find("NOT every entry was compared: interrupted."), std::string::npos);
    for (const char* side : {"src/big.bin", "dst/big.bin"}) EXPECT_TRUE(openableExclusively(tree.win(side)));
    // The log holds what was found before the big file: a.txt, and the header's counts.
    const std::string log = contentsOf(tree.path("qdl.log"));
    EXPECT_NE(log.find("Total         : 1\r\n\r\nOK! : a.txt\r\n"), std::string::npos) << log;
}

TEST_F(Qdlcheck, ProgressOnlyInATerminalUnlessAskedFor) {
    tree.file("src/big.bin", std::string(1 << 20, 'x'));
    tree.file("dst/big.bin", std::string(1 << 20, 'x'));
    EXPECT_EQ(compare().err.find('\r'), std::string::npos);
    const Outcome asked = compare({"--progress"});
    EXPECT_NE(asked.err.find("\r  0% [--------------------] 0 B of 1.0 MB"), std::string::npos)
        << asked.err;
}

// In a real terminal the line shows while a large file is compared, and Ctrl-C typed there ends
// the run with what was found so far.
TEST_F(Qdlcheck, InATerminalTheLineShowsAndCtrlCStopsTheRun) {
    if (underWine()) GTEST_SKIP() << "the terminal is tmux's";
    tree.sparseFile("src/big.bin", 64ull << 30);
    tree.sparseFile("dst/big.bin", 64ull << 30);
    const std::string server = "qdlcheck-test-" + std::to_string(getpid());
    const std::string tmux = "tmux -L " + server + " ";
    const std::string command = "cd '" + tree.root.string() + "' && '" + QDLCHECK_PROGRAM +
                                "' src dst; echo exit \\$?; sleep 60";
    shellOutput(tmux + "-f /dev/null new-session -d -x 160 -y 10 \"" + command + "\"");
    std::string screen;
    for (int i = 0; i < 100 && screen.find("GB/s") == std::string::npos &&
                    screen.find("MB/s") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        screen = shellOutput(tmux + "capture-pane -p");
    }
    EXPECT_NE(screen.find("% ["), std::string::npos) << screen;
    EXPECT_NE(screen.find("of 68.7 GB"), std::string::npos) << screen;
    shellOutput(tmux + "send-keys C-c");
    for (int i = 0; i < 100 && screen.find("exit ") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        screen = shellOutput(tmux + "capture-pane -p");
    }
    shellOutput(tmux + "kill-server");
    EXPECT_NE(screen.find("interrupted."), std::string::npos) << screen;
    EXPECT_NE(screen.find("exit 8"), std::string::npos) << screen;
}

}  // namespace
