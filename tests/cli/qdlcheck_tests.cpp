// qdlcheck itself, run as a script would run it, on real trees: its lines, exit status, log and
// messages. With QDLCHECK_COMMAND set (for instance "wine .../qdlcheck.exe") the same cases run
// against that program, with Windows paths; what only a POSIX program can show is skipped there.
#include "cli/exit_bits.h"
#include "dialogs/quendle_run.h"
#include "engine/qdl_core.h"
#include "window_system/dialog_manager/file_chooser.h"
#include "resources/resource_ids.h"
#include "support/held_open.h"
#include "support/shell_command.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/syscall.h>
#include <grp.h>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
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

// How the program is started beyond its arguments.
struct Launch {
    rlim_t fileSizeLimit = RLIM_INFINITY;  // caps the size of the files it writes
    rlim_t openFileLimit = RLIM_INFINITY;  // soft and hard limit on its descriptors
    bool asNobody = false;                 // as user 65534, where permissions bite
    std::string output;                    // standard output to this file instead
    std::vector<std::string> program;      // another program than the one under test
    bool ignoreHangUp = false;             // started with SIGHUP ignored, as nohup starts it
    // With --jobs 1, everything on the one thread a signal reaches: the plain calls, no worker.
    bool oneThread = false;
};

Launch launching(void (*set)(Launch&)) {
    Launch launch;
    set(launch);
    return launch;
}

// Starts the program in folder with its output in two files.
pid_t start(const std::vector<std::string>& arguments, const fs::path& folder, const fs::path& out,
            const fs::path& err, const Launch& launch = {}) {
    std::vector<std::string> words = launch.program.empty() ? programCommand() : launch.program;
    words.insert(words.end(), arguments.begin(), arguments.end());
    const pid_t child = fork();
    if (child != 0) return child;
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const fs::path outPath = launch.output.empty() ? out : fs::path(launch.output);
    const int outFile = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFile = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const rlimit fileSize{launch.fileSizeLimit, RLIM_INFINITY};
    const rlimit openFiles{launch.openFileLimit, launch.openFileLimit};
    if (chdir(folder.c_str()) != 0 || dup2(outFile, 1) < 0 || dup2(errFile, 2) < 0 ||
        setrlimit(RLIMIT_FSIZE, &fileSize) != 0 ||
        (launch.openFileLimit != RLIM_INFINITY && setrlimit(RLIMIT_NOFILE, &openFiles) != 0))
        _exit(127);
    if (launch.asNobody && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        _exit(127);
    if (launch.ignoreHangUp) signal(SIGHUP, SIG_IGN);
    if (launch.oneThread) setenv("QUENDLE_IO", "plain", 1);
    execvp(argv[0], argv.data());
    _exit(127);
}

int waitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Awaits what a test waits for, ten seconds at the most: true once it holds.
bool awaitFor(const std::function<bool()>& holds, double seconds = 10) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!holds()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The exit status, or -1 when the program has not ended within that time (it is then killed).
int waitAtMost(pid_t child, double seconds) {
    int status = 0;
    const bool ended = awaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, seconds);
    if (ended) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
}

// Whether a thread of the process is held in a call: the system call it waits in, by number.
bool waitingIn(pid_t process, long call) {
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(process) + "/task")) {
        std::istringstream syscall(contentsOf(task.path() / "syscall"));
        long number = -1;
        if (syscall >> number && number == call) return true;
    }
    return false;
}

// The same for the process's main thread alone (a sanitizer's own thread sleeps too).
bool mainThreadWaitingIn(pid_t process, long call) {
    std::istringstream syscall(contentsOf("/proc/" + std::to_string(process) + "/syscall"));
    long number = -1;
    return syscall >> number && number == call;
}

class Qdlcheck : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string side : {"src", "dst"}) {
            tree.file(side + "/a.txt", "same");
            tree.file(side + "/sub/b.txt", "same below");
        }
    }
    Outcome run(const std::vector<std::string>& arguments, const Launch& launch = {}) {
        const fs::path out = tree.path(".out");
        const fs::path err = tree.path(".err");
        Outcome outcome;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int status = waitFor(start(arguments, tree.root, out, err, launch));
            outcome = {status, textOf(out), textOf(err)};
            // Wine's own client losing its server (it happens when the server is shutting down as
            // the client starts) says nothing of the program: that run is made again, once.
            if (!underWine() || outcome.err.find("wine client error:") == std::string::npos) break;
        }
        return outcome;
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
    EXPECT_EQ(compare().status, ExitNotices);
    tree.file("dst/sub/b.txt", "SAME BELOW");
    EXPECT_EQ(compare().status, ExitNotices | ExitErrors);
    tree.file("src/c.txt", "longer on the source");
    tree.file("dst/c.txt", "longer");
    Outcome all = compare();
    EXPECT_EQ(all.status, ExitNotices | ExitErrors | ExitFatalErrors);
    // The source longer than its copy was compared over the common length only.
    EXPECT_NE(all.err.find("NOT every entry was compared in full: see the fatal errors."), std::string::npos);
    EXPECT_EQ(sortedLines(all.out), levels("NEC : sub/b.txt\n") + "NET : a.txt\nSID : c.txt\n");
    EXPECT_EQ(compare({"--all"}).out, all.out);
    Outcome quiet = compare({"--quiet"});
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.status, ExitNotices | ExitErrors | ExitFatalErrors);
    // The stop level ends the run at the first notice: not every entry was compared.
    Outcome stopped = compare({"--stop", "notices"});
    EXPECT_EQ(stopped.status, ExitNotices | ExitNotEveryEntry);
    EXPECT_EQ(stopped.out, "NET : a.txt\n");
    EXPECT_NE(stopped.err.find("NOT every entry was compared"), std::string::npos);
    // At the first fatal error, before the contents below are compared.
    EXPECT_EQ(compare({"--stop=fatal"}).status, ExitNotices | ExitFatalErrors | ExitNotEveryEntry);
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

// 5,000 files with every kind of result, compared one pair at a time and several at once, planned
// a folder at a time or listed whole first: the lines, their order, the summary, the log and the
// exit status are the same, also when a stop level ends the run in the middle, with JSON and extras.
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
    tree.file("dst/f3/extra.txt", "only here");  // DOF
    tree.file("dst/only/x.txt", "only here");    // DOD
    // The summary names the total in bytes only where the whole tree was listed; JSON's times vary.
    const auto comparable = [](std::string text) {
        text = std::regex_replace(timeless(text), std::regex(", of [^;]+;"), ", of ...;");
        return std::regex_replace(text, std::regex("\"(seconds|bytes_total)\": ?[0-9a-z.e+-]+"), "\"$1\": .");
    };
    const std::vector<std::vector<std::string>> optionSets = {
        {"--all", "--stop", "never"}, {"--all", "--stop", "errors"},
        {"--format", "json", "--extra", "--stop", "fatal"}};
    for (const auto& options : optionSets) {
        const std::string stop = options.back();
        Outcome one;
        std::string oneLog;
        // One pair at a time, planned as it goes, is the answer: every number of jobs, either plan.
        for (const std::string plan : {"", "--list-first"}) {
            for (const std::string jobs : {"1", "2", "8"}) {
                std::vector<std::string> arguments = options;
                for (const std::string& more : {std::string("--jobs"), jobs, std::string("--log"), std::string("qdl.log")})
                    arguments.push_back(more);
                if (!plan.empty()) arguments.push_back(plan);
                Outcome r = compare(arguments);
                const std::string log = contentsOf(tree.path("qdl.log"));
                const std::string what = options[1] + " " + stop + ", " + jobs + " jobs " + plan;
                if (jobs == "1" && plan.empty()) {
                    one = r;
                    oneLog = log;
                    continue;
                }
                EXPECT_EQ(r.status, one.status) << what;
                EXPECT_EQ(firstDifference(comparable(r.out), comparable(one.out)), "") << what;
                EXPECT_EQ(comparable(r.err), comparable(one.err)) << what;
                if (plan.empty()) {
                    EXPECT_EQ(timeless(r.err), timeless(one.err)) << what;
                }
                EXPECT_EQ(firstDifference(log, oneLog), "") << what;
            }
        }
        if (options[1] == "json") {
            EXPECT_NE(one.out.find("\"code\":\"DOF\",\"class\":\"extra\",\"path\":\"f3/extra.txt\""),
                      std::string::npos) << one.out.substr(0, 2000);
            EXPECT_EQ(one.status & ExitNotEveryEntry, ExitNotEveryEntry);
        } else if (stop == "never") {
            EXPECT_EQ(one.status, ExitNotices | ExitErrors | ExitFatalErrors);
            for (const char* code : {"NET : ", "DIS : ", "NEC : ", "SOD : ", "SOF : ", "SOE : ", "DOE : "})
                EXPECT_NE(one.out.find(code), std::string::npos) << code;
            if (shortReadFile() != nullptr && !underWine()) {
                EXPECT_NE(one.out.find("SRE : f45/short.src\n"), std::string::npos);
                EXPECT_NE(one.out.find("DRE : f45/short.dst\n"), std::string::npos);
            }
            EXPECT_NE(one.err.find("Total 5"), std::string::npos) << one.err;
        } else {
            EXPECT_EQ(one.status & (ExitErrors | ExitNotEveryEntry), ExitErrors | ExitNotEveryEntry);
            EXPECT_LT(one.out.size(), 2000u) << "the run should stop early";
            EXPECT_NE(one.err.find("of a total not yet listed;"), std::string::npos) << one.err;
        }
    }
}

// The manual's table of exit statuses is the program's: every bit, and no other.
TEST(QdlcheckManual, ItsExitStatusTableListsEveryExitBit) {
    std::istringstream manual(contentsOf(QDLCHECK_MANUAL));
    std::vector<int> listed;
    bool inTable = false;
    for (std::string line; std::getline(manual, line);) {
        if (line.rfind(".SH", 0) == 0) inTable = line == ".SH EXIT STATUS";
        if (inTable && line.rfind(".B ", 0) == 0 && std::isdigit(static_cast<unsigned char>(line[3])))
            listed.push_back(std::stoi(line.substr(3)));
    }
    std::vector<int> bits{0};
    for (const ExitBit bit : everyExitBit) bits.push_back(bit);
    EXPECT_EQ(listed, bits);
}

// The table of result codes is what every text says of them: --help and the README name the codes
// under each exit bit, the manual page that and each code's meaning.
TEST(QdlcheckManual, EveryTextSaysWhatTheResultCodeTableSays) {
    const std::string manual = contentsOf(QDLCHECK_MANUAL);
    const std::string readme = contentsOf(QUENDLE_README);
    const std::string help = shellOutput(std::string(QDLCHECK_PROGRAM) + " --help");
    for (const ResultCodeRow& row : resultCodeTable) {
        const std::string code(row.field, 3);
        EXPECT_NE(manual.find(".B " + code + "\n" + row.meaning + "\n"), std::string::npos) << code;
    }
    for (const Severity severity : {Notice, Error, FatalError, Extra}) {
        std::string spaced;
        std::string commas;
        for (const ResultCodeRow& row : resultCodeTable) {
            if (row.severity != severity) continue;
            spaced += (spaced.empty() ? "" : " ") + std::string(row.field, 3);
            commas += (commas.empty() ? "" : ", ") + std::string(row.field, 3);
        }
        const std::string bit = std::to_string(exitBitOf(severity));
        const std::regex inHelp(bit + " [a-z ]+\\(" + spaced + "[,)]");
        EXPECT_TRUE(std::regex_search(help, inHelp)) << bit << " (" << spaced << ") in --help";
        const std::regex inReadme(bit + "\\s+[a-z ]+\\s+\\(" + commas + "[,)]");
        EXPECT_TRUE(std::regex_search(readme, inReadme)) << bit << " (" << commas << ") in the README";
        EXPECT_NE(manual.find("(" + commas + ")"), std::string::npos) << bit << " (" << commas << ") in the manual";
    }
}

TEST_F(Qdlcheck, TopFolderOnlyAFileAgainstAFolderAndRelativePaths) {
    tree.file("dst/sub/b.txt", "differs below");
    EXPECT_EQ(compare({"--top"}).status, 0);
    EXPECT_EQ(compare().out, levels("NEC : sub/b.txt\n"));
    // Relative to the folder it runs in, a file against the folder that holds its copy.
    Outcome file = run({"--all", levels("src/sub/b.txt"), "dst/sub"});
    EXPECT_EQ(file.out, "NEC : b.txt\n");
    EXPECT_EQ(file.status, ExitErrors);
    EXPECT_EQ(run({levels("src/a.txt"), levels("dst/a.txt")}).status, 0);
    // A pattern is taken as the main dialog takes it, relative to the same folder.
    EXPECT_EQ(run({"--all", levels("src/*.txt"), "dst"}).out, "OK! : a.txt\n");
    EXPECT_EQ(run({"--all", levels("src/*/*"), levels("dst/*/*")}).status, ExitErrors);
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
        {{"--frob=1", "src", "dst"}, "qdlcheck: unknown option --frob (see qdlcheck --help)\n"},
        {{"--all", "-rq", "src", "dst"}, "qdlcheck: unknown option -r (see qdlcheck --help)\n"},
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
        // A log that cannot be one is refused before anything is compared.
        {{"--log", "", "src", "dst"}, "qdlcheck: --log takes a file name, not an empty one (see qdlcheck --help)\n"},
        {{"--log", levels("sub/"), "src", "dst"}, "qdlcheck: cannot create the log file " + levels("sub/") + "\n"},
        // A copy missing as a whole is one message, not a missing entry for each file.
        {{"src", "backup"}, "qdlcheck: backup: no such folder\n"},
        {{levels("src/*.txt"), "backup"}, "qdlcheck: backup: no such folder\n"},
        {{"src", levels("dst/a.txt")}, "qdlcheck: " + levels("dst/a.txt") + ": not a folder\n"},
        {{levels("src/a.txt"), levels("backup/")}, "qdlcheck: " + levels("backup/") + ": no such folder\n"},
        {{levels("src/a.txt"), levels("backup/a.txt")},
         "qdlcheck: " + levels("backup/a.txt") + ": its folder does not exist\n"},
        {{levels("src/*/*"), levels("backup/*/*")},
         "qdlcheck: " + levels("backup/*/*") + ": its folder does not exist\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.status, ExitCannotCompare) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
    // A log named by a FIFO (or a device, such as /dev/full) is refused, and the FIFO left as it was.
    if (!underWine() && mkfifo(tree.path("pipe").c_str(), 0600) == 0) {
        const Outcome piped = run({"--log", "pipe", "src", "dst"});
        EXPECT_EQ(piped.status, ExitCannotCompare);
        EXPECT_EQ(piped.err, "qdlcheck: cannot create the log file pipe\n");
        EXPECT_TRUE(fs::is_fifo(tree.path("pipe")));
    }
    const Outcome refused = run({levels("src/*/sub/*"), "dst"});
    EXPECT_EQ(refused.status, ExitCannotCompare);
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
    EXPECT_EQ(logged.status, ExitErrors);
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

// A log whose run did not compare every entry ends by saying so; the lines before stay the lines
// of the entries compared.
TEST_F(Qdlcheck, AStoppedRunsLogSaysItStopped) {
    tree.file("dst/a.txt", "differs");
    EXPECT_EQ(run({"--stop", "errors", "--log", "qdl.log", "src", "dst"}).status,
              ExitErrors | ExitNotEveryEntry);
    const std::string log = contentsOf(tree.path("qdl.log"));
    const std::string end =
        "\r\nNEC : a.txt\r\n\r\nNOT every entry was compared: the stop level ended the run.\r\n";
    ASSERT_GE(log.size(), end.size());
    EXPECT_EQ(log.substr(log.size() - end.size()), end) << log;
    EXPECT_EQ(run({"--log", "qdl.log", "src", "dst"}).status, ExitErrors);
    EXPECT_EQ(contentsOf(tree.path("qdl.log")).find("NOT every"), std::string::npos);
}

TEST_F(Qdlcheck, ALogThatCannotBeWrittenAdds16AndLeavesTheEarlierLogWhole) {
    if (underWine()) GTEST_SKIP() << "the file-size limit is a POSIX one";
    tree.file("qdl.log", "the log of an earlier run");
    // The limit holds for every file the program writes: its output is kept short, its log is not.
    for (int i = 0; i < 40; ++i) tree.file("src/missing-at-the-destination-" + std::to_string(i), "");
    const Outcome r = run({"--quiet", "--log", "qdl.log", "src", "dst"}, launching([](Launch& l) { l.fileSizeLimit = 1000; }));
    EXPECT_EQ(r.status, ExitErrors | ExitCannotCompare);
    EXPECT_NE(r.err.find("qdlcheck: the log file could not be written: qdl.log\n"), std::string::npos) << r.err;
    EXPECT_EQ(contentsOf(tree.path("qdl.log")), "the log of an earlier run");
    EXPECT_EQ(std::distance(fs::directory_iterator(tree.root), fs::directory_iterator()), 5)
        << "src, dst, .out, .err and the log: no temporary file left behind";
}

// 200,000 entries in 200 folders, compared with themselves: planned a folder at a time, the run's
// peak memory is that of a few folders, where the whole list, listed first, grows with the tree.
TEST_F(Qdlcheck, MemoryFollowsTheWidestFolderNotTheTree) {
    if (underWine()) GTEST_SKIP() << "Wine's own memory would be measured";
    // 200,000 files are made six times faster in memory than on this disk.
    char made[] = "/dev/shm/quendle-memory-XXXXXX";
    const fs::path big = fs::exists("/dev/shm") && mkdtemp(made) != nullptr ? fs::path(made) : tree.path("big");
    for (int folder = 0; folder < 200; ++folder) {
        const fs::path path = big / ("folder" + std::to_string(folder));
        fs::create_directories(path);
        for (int file = 0; file < 1000; ++file)
            close(open((path / ("file" + std::to_string(file))).c_str(), O_WRONLY | O_CREAT, 0644));
    }
    // Freed memory kept back from reuse by AddressSanitizer would pass for memory in use.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string saved = sanitizer != nullptr ? sanitizer : "";
    setenv("ASAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "quarantine_size_mb=0").c_str(), 1);
    const fs::path report = tree.path(".peak");
    const auto peakMegabytes = [&](const std::vector<std::string>& options) {
        std::vector<std::string> arguments = options;
        for (int side = 0; side < 2; ++side) arguments.push_back(native(big));
        Launch measured;
        measured.program = {PEAK_MEMORY, report.string(), QDLCHECK_PROGRAM};
        const Outcome r = run(arguments, measured);
        EXPECT_EQ(r.status, 0) << r.err;
        return std::stod(contentsOf(report)) / 1024;
    };
    const double asItGoes = peakMegabytes({"--quiet", "--log", "qdl.log"});
    const double listedFirst = peakMegabytes({"--quiet", "--list-first"});
    if (sanitizer != nullptr) setenv("ASAN_OPTIONS", saved.c_str(), 1);
    else unsetenv("ASAN_OPTIONS");
    fs::remove_all(big);
    std::printf("peak memory: %.1f MiB planned as it goes, %.1f MiB listed first\n", asItGoes, listedFirst);
    EXPECT_LT(asItGoes, listedFirst / 3) << asItGoes << " MiB against " << listedFirst << " MiB";
    // A sanitizer's shadow of the memory in use multiplies it: there, only the ratio above holds.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(asItGoes, 24) << asItGoes << " MiB";
#endif
    // The spooled log is whole: its ten lines of header, then one line for each of the files.
    const std::string log = contentsOf(tree.path("qdl.log"));
    EXPECT_NE(log.find("Total         : 200000\r\n\r\nOK! : folder0\\file0\r\n"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 200000 + 10);
}

TEST_F(Qdlcheck, CtrlCInALargeFileAbandonsItClosedAndSaysSo) {
    if (underWine()) GTEST_SKIP() << "SIGINT reaches a POSIX program only";
    tree.sparseFile("src/big.bin", 64ull << 30);
    tree.sparseFile("dst/big.bin", 64ull << 30);
    tree.file("src/z/after.txt", "never reached");
    tree.file("dst/z/after.txt", "never reached");
    const fs::path out = tree.path(".out");
    const fs::path err = tree.path(".err");
    std::string answer;
    // Planned as it goes or listed first, one pair at a time or several: the same answer.
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
             {"--all"}, {"--all", "--list-first"}, {"--all", "--jobs", "1"}}) {
        std::vector<std::string> arguments = options;
        for (const std::string& more : {std::string("--log"), std::string("qdl.log"),
                                       native(tree.path("src")), native(tree.path("dst"))})
            arguments.push_back(more);
        fs::remove(out);  // the last run's lines are not this one's
        const pid_t child = start(arguments, tree.root, out, err);
        // a.txt is recorded (--all prints it as it goes); big.bin holds the run.
        EXPECT_TRUE(awaitFor([&] { return contentsOf(out) == "OK! : a.txt\n"; })) << options.back();
        kill(child, SIGINT);
        EXPECT_EQ(waitFor(child), 8) << options.back();
        EXPECT_NE(contentsOf(err).find("NOT every entry was compared: interrupted."), std::string::npos);
        for (const char* side : {"src/big.bin", "dst/big.bin"}) EXPECT_FALSE(heldOpen(tree.path(side)));
        // The log holds what was found before the big file: a.txt, and the header's counts.
        const std::string log = contentsOf(tree.path("qdl.log"));
        EXPECT_NE(log.find("Total         : 1\r\n\r\nOK! : a.txt\r\n"), std::string::npos) << log;
        if (answer.empty()) answer = contentsOf(out) + log;
        EXPECT_EQ(contentsOf(out) + log, answer) << options.back();
    }
}

// A line is out while the run goes on: in a file or a pipe, not held back until the end.
TEST_F(Qdlcheck, ALineComesAsItIsFoundNotAtTheEnd) {
    if (underWine()) GTEST_SKIP() << "SIGINT reaches a POSIX program only";
    tree.file("dst/a.txt", "differs");
    tree.folder("src/z");
    tree.folder("dst/z");
    tree.sparseFile("src/z/big.bin", 64ull << 30);
    tree.sparseFile("dst/z/big.bin", 64ull << 30);
    const fs::path out = tree.path(".out");
    const pid_t child = start({"src", "dst"}, tree.root, out, tree.path(".err"));
    std::string seen;
    for (int i = 0; i < 50 && seen.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        seen = contentsOf(out);
    }
    EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the run should still be comparing big.bin";
    EXPECT_EQ(seen, "NEC : a.txt\n");
    kill(child, SIGINT);
    EXPECT_EQ(waitFor(child), ExitErrors | ExitNotEveryEntry);
}

TEST_F(Qdlcheck, ProgressOnlyInATerminalUnlessAskedFor) {
    tree.file("src/big.bin", std::string(1 << 20, 'x'));
    tree.file("dst/big.bin", std::string(1 << 20, 'x'));
    EXPECT_EQ(compare().err.find('\r'), std::string::npos);
    const Outcome asked = compare({"--progress"});
    // The tree is still being planned when the line is first drawn: its total is what planning
    // has found so far, or what a count of the tree found (its entries, then its bytes), if that
    // came first.
    const bool listing = asked.err.find("\rlisting... 0 B of 1.0 MB listed so far") != std::string::npos;
    const bool counted = asked.err.find("\r  0% [--------------------] 0 B of 1.0 MB") != std::string::npos ||
                         asked.err.find("\r  0% [--------------------] 0 of 3 entries") != std::string::npos;
    EXPECT_TRUE(listing || counted) << asked.err;
    const Outcome listedFirst = compare({"--progress", "--list-first"});
    EXPECT_NE(listedFirst.err.find("\r  0% [--------------------] 0 B of 1.0 MB"), std::string::npos)
        << listedFirst.err;
}

// A tree planned as it goes is counted beside the run: the line shows a share and the time left
// while planning has not yet entered the last folders (held here behind a large file, one pair at
// a time). The lines and the counters are those of a run without the line.
TEST_F(Qdlcheck, ACountOfTheTreeGivesTheLineAShareEarly) {
    tree.folder("src/0big");
    tree.folder("dst/0big");
    tree.sparseFile("src/0big/big.bin", 2ull << 20);
    tree.sparseFile("dst/0big/big.bin", 2ull << 20);
    for (int folder = 0; folder < 4; ++folder)
        for (const char* side : {"src/", "dst/"})
            tree.file(side + ("f" + std::to_string(folder)) + "/small", "small");
    const Outcome quiet = compare({"--all", "--jobs", "1"});
    // The chunks of the large file, a tenth of a second each; where the count reads the files' sizes
    // after their names, each size a tenth of a second too.
    setenv("QUENDLE_PAUSE_AT", "chunk-step,census-size", 1);
    setenv("QUENDLE_PAUSE_MS", "100", 1);
    // One pair at a time on one thread, so that planning waits behind the large file.
    const Outcome shown = run({"--all", "--jobs", "1", "--progress", native(tree.path("src")), native(tree.path("dst"))},
                              launching([](Launch& l) { l.oneThread = true; }));
    unsetenv("QUENDLE_PAUSE_AT");
    unsetenv("QUENDLE_PAUSE_MS");
    EXPECT_EQ(shown.out, quiet.out);
    EXPECT_EQ(shown.status, 0);
    const auto count = [&shown](const char* pattern) {
        const std::regex share(pattern);
        return std::distance(std::sregex_iterator(shown.err.begin(), shown.err.end(), share), std::sregex_iterator());
    };
    // Some redraws of the line while the large file is compared: a run that knew its total only
    // once planning had ended would show it once at most.
    EXPECT_GE(count("\r *[0-9]+% \\[[#-]+\\] [0-9.]+ [KMG]?B of 2\\.1 MB"), 3) << shown.err;
    // Before the sizes are read, a share of the entries.
    if (!underWine()) {
        EXPECT_GE(count("\r *[0-9]+% \\[[#-]+\\] [0-9]+ of 7 entries"), 1) << shown.err;
    }
    const auto counters = [](const std::string& err) {
        const std::size_t at = err.find("qdlcheck: No Difference");
        return at == std::string::npos ? std::string() : err.substr(at, err.find('\n', at) - at);
    };
    EXPECT_EQ(counters(shown.err), counters(quiet.err));
    EXPECT_NE(counters(quiet.err), "");
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
    // A share of the entries may come first; the bytes follow.
    const auto shareOfBytes = [&screen] {
        return screen.find("% [") != std::string::npos && screen.find("of 68.7 GB") != std::string::npos;
    };
    for (int i = 0; i < 100 && !shareOfBytes(); ++i) {
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

// Names that begin with a dot are entries like any other, files and whole folders, compressed or
// not: a copy that lost them, or holds them changed, is not clean.
TEST_F(Qdlcheck, DotNamesAreComparedLikeAnyOtherName) {
    tree.file("src/.git/HEAD", "ref: refs/heads/main\n");
    tree.file("dst/.git/HEAD", "ref: refs/heads/old!\n");
    tree.file("src/.env", "SECRET=1");
    tree.file("src/.cache/x", "x");
    tree.file("src/..and more", "a name, not the parent");
    tree.file("dst/..and more", "a name, not the parent");
    const Outcome r = compare({"--all"});
    EXPECT_EQ(r.status, ExitErrors);
    EXPECT_EQ(sortedLines(r.out), sortedLines(levels("NEC : .git/HEAD\nOK! : ..and more\nOK! : a.txt\n"
                                                     "OK! : sub/b.txt\nSOD : .cache\nSOF : .env\n")));
    EXPECT_EQ(run({levels("src/.env"), "dst"}).out, "SOF : .env\n");
}

// A folder that cannot be listed is one fatal error, whether it is where the run starts, the
// folder of a pattern or one below; a folder whose copy is a file, a FIFO or a dangling link is
// another, with nothing inside it recorded.
TEST_F(Qdlcheck, UnlistableFoldersAndFoldersWithoutAFolderCopyAreNeverClean) {
    tree.folder("src/file");
    tree.file("dst/file", "a file where the folder should be");
    EXPECT_EQ(compare().out, "DOE : file\n");
    EXPECT_EQ(compare().status, ExitFatalErrors);
    if (underWine()) return;  // permissions, FIFOs and dangling links are POSIX ones

    for (const std::string name : {"fifo", "dangling"}) tree.folder("src/" + name);
    ASSERT_EQ(mkfifo(tree.path("dst/fifo").c_str(), 0600), 0);
    ASSERT_TRUE(tree.link("nowhere", "dst/dangling"));
    EXPECT_EQ(compare().out, "DOE : dangling\nDOE : fifo\nDOE : file\n");

    tree.file("src/locked/in.txt", "x");
    tree.file("dst/locked/in.txt", "x");
    fs::permissions(tree.path("src/locked"), fs::perms::none);
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"src/locked/*", "dst/locked"}, {"src/locked", "dst/locked"}}) {
        const Outcome r = run(arguments, launching([](Launch& l) { l.asNobody = true; }));
        EXPECT_EQ(r.out, "SOE : .\n") << arguments[0];
        EXPECT_EQ(r.status, ExitFatalErrors) << r.err;
    }
    fs::permissions(tree.path("src/locked"), fs::perms::owner_all);
}

// Two runs over one source at once: the second compares the file the first holds open.
TEST_F(Qdlcheck, TwoRunsAtOnceShareTheirSource) {
    tree.sparseFile("src/big.bin", 64ull << 30);
    tree.sparseFile("dst/big.bin", 64ull << 30);
    tree.file("other/big.bin", "x");
    const pid_t first = start({native(tree.path("src")), native(tree.path("dst"))}, tree.root,
                              tree.path(".first.out"), tree.path(".first.err"));
    ASSERT_TRUE(awaitFor([&] { return heldOpen(tree.path("src/big.bin")); }, 60));
    const Outcome second = run({levels("src/big.bin"), levels("other/")});
    kill(first, SIGKILL);
    waitFor(first);
    EXPECT_EQ(second.out, "NEC : big.bin\n") << second.err;
}

// Opens share reading: one file under two names, a tree against itself and a file another reader
// holds compare cleanly; so does one someone holds exclusively, as readers on POSIX take no lock.
TEST_F(Qdlcheck, OneFileUnderTwoNamesAndOtherReadersCompareCleanly) {
    tree.file("src/big.bin", patternBytes(300000, 1));
    tree.file("dst/big.bin", patternBytes(300000, 1));
    fs::create_directories(tree.path("snapshot/sub"));
    for (const char* file : {"a.txt", "sub/b.txt", "big.bin"})
        fs::create_hard_link(tree.path(std::string("src/") + file), tree.path(std::string("snapshot/") + file));
    for (const std::string jobs : {"1", "4"}) {
        const Outcome linked = run({"--jobs", jobs, native(tree.path("src")), native(tree.path("snapshot"))});
        EXPECT_EQ(linked.out, "");
        EXPECT_EQ(linked.status, 0) << linked.err;
        EXPECT_EQ(run({"--jobs", jobs, native(tree.path("src")), native(tree.path("src"))}).status, 0);
    }
    if (underWine()) return;
    const int reader = open(tree.path("src/a.txt").c_str(), O_RDONLY);
    ASSERT_EQ(flock(reader, LOCK_SH), 0);
    EXPECT_EQ(compare().status, 0);
    ASSERT_EQ(flock(reader, LOCK_EX), 0);
    EXPECT_EQ(compare().status, 0);
    close(reader);
}

// Standard output that cannot be written ends the run as Ctrl-C does and adds 16; the log is
// still written. A reader that closed the pipe gets no message; the status still tells.
TEST_F(Qdlcheck, LostOutputEndsTheRunAndIsReported) {
    if (underWine()) GTEST_SKIP() << "/dev/full and pipes are the POSIX program's";
    // More lines than a pipe holds, so that the reader is gone while the run still writes.
    tree.folder("dst/many");
    for (int i = 0; i < 3000; ++i)
        tree.file("src/many/" + std::to_string(i) + std::string(100, 'n'), "source only");
    const Outcome full = run({"--log", "qdl.log", "src", "dst"}, launching([](Launch& l) { l.output = "/dev/full"; }));
    EXPECT_EQ(full.status, ExitErrors | ExitNotEveryEntry | ExitCannotCompare);
    EXPECT_NE(full.err.find("qdlcheck: standard output could not be written: No space left on device\n"),
              std::string::npos) << full.err;
    EXPECT_NE(full.err.find("NOT every entry was compared: the output was lost."), std::string::npos);
    EXPECT_NE(contentsOf(tree.path("qdl.log")).find("\r\nSOF : many\\0nnnn"), std::string::npos);

    tree.file(".pipe.sh", "'" + std::string(QDLCHECK_PROGRAM) +
                              "' src dst 2>.err | head -1; echo ${PIPESTATUS[0]}\n");
    const std::string piped = shellOutput("cd '" + tree.root.string() + "' && bash .pipe.sh");
    EXPECT_EQ(piped.substr(piped.find('\n') + 1), "26\n") << piped;
    const std::string err = contentsOf(tree.path(".err"));
    EXPECT_EQ(err.find("could not be written"), std::string::npos) << err;
    EXPECT_NE(err.find("the output was lost."), std::string::npos) << err;
}

// SIGTERM and SIGHUP end a run as Ctrl-C does; a run killed outright leaves the earlier log whole;
// the log replaces a link at its name rather than writing through it, and has the permissions of
// a new file.
TEST_F(Qdlcheck, SignalsEndTheRunWithItsLogAndTheEarlierLogIsNeverLost) {
    if (underWine()) GTEST_SKIP() << "signals reach a POSIX program only";
    tree.sparseFile("src/big.bin", 64ull << 30);
    tree.sparseFile("dst/big.bin", 64ull << 30);
    const fs::path out = tree.path(".out");
    const fs::path err = tree.path(".err");
    for (const int signal : {SIGTERM, SIGHUP, SIGKILL}) {
        tree.file("victim", "not the program's to write");
        fs::remove(tree.path("qdl.log"));
        fs::create_symlink(tree.path("victim"), tree.path("qdl.log"));
        const mode_t previous = umask(022);
        const pid_t child = start({"--all", "--log", "qdl.log", "src", "dst"}, tree.root, out, err);
        umask(previous);
        // The signal comes once the run has its temporary log and has compared a.txt, well into
        // the large file after it.
        const auto temporaryLog = [&] {
            for (const auto& entry : fs::directory_iterator(tree.root))
                if (entry.path().filename().string().rfind(".qdlcheck-", 0) == 0) return true;
            return false;
        };
        ASSERT_TRUE(awaitFor([&] { return temporaryLog() && contentsOf(out).find("OK! : a.txt") != std::string::npos; }));
        kill(child, signal);
        const int status = waitFor(child);
        EXPECT_EQ(contentsOf(tree.path("victim")), "not the program's to write");
        if (signal == SIGKILL) {
            EXPECT_TRUE(fs::is_symlink(tree.path("qdl.log")));
            continue;
        }
        EXPECT_EQ(status, ExitNotEveryEntry) << signal;
        EXPECT_NE(contentsOf(err).find("interrupted."), std::string::npos);
        EXPECT_FALSE(fs::is_symlink(tree.path("qdl.log")));
        EXPECT_NE(contentsOf(tree.path("qdl.log")).find("\r\nOK! : a.txt\r\n"), std::string::npos);
        EXPECT_EQ(fs::status(tree.path("qdl.log")).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::others_read);
    }
    // However early SIGTERM comes, no temporary file of the log is left behind: the run either
    // had none yet, or ends with its log. (SIGKILL above left its own.)
    fs::remove(tree.path("qdl.log"));
    for (const auto& entry : fs::directory_iterator(tree.root))
        if (entry.path().filename().string().rfind(".qdlcheck-", 0) == 0) fs::remove(entry.path());
    for (int delay = 0; delay < 16; ++delay) {
        const pid_t child = start({"--log", "qdl.log", "src", "dst"}, tree.root, out, err);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        kill(child, SIGTERM);
        const int status = waitFor(child);
        EXPECT_TRUE(status == 128 + SIGTERM || status == ExitNotEveryEntry) << delay << ": " << status;
        for (const auto& entry : fs::directory_iterator(tree.root))
            EXPECT_NE(entry.path().filename().string().rfind(".qdlcheck-", 0), 0u) << delay << " ms";
    }
}

// Ctrl-C is heard within a second wherever the run waits: in the read of a folder's names, between
// the entries of a folder slow to list, and in a read the file system holds (held here until a
// signal comes, one pair at a time or four). The run ends interrupted, the entry it was reading
// without a line, its log saying why.
TEST_F(Qdlcheck, CtrlCIsHeardWithinASecondInListingsAndReads) {
    if (underWine()) GTEST_SKIP() << "signals reach a POSIX program only";
    for (int i = 0; i < 300; ++i) {
        tree.file("src/many/" + std::to_string(i), "x");
        tree.file("dst/many/" + std::to_string(i), "x");
    }
    const fs::path out = tree.path(".out");
    const fs::path err = tree.path(".err");
    const struct {
        const char* fault;
        const char* pauseAt;
        const char* jobs;
    } waits[] = {{"1 EIO hang-listing", nullptr, "1"}, {nullptr, "listing-entry", "1"},
                 {"1 EIO hang", nullptr, "1"}, {"1 EIO hang", nullptr, "4"}};
    for (const auto& wait : waits) {
        const std::string what = wait.fault != nullptr ? wait.fault : wait.pauseAt;
        if (wait.fault != nullptr) setenv("QUENDLE_FAULT", wait.fault, 1);
        if (wait.pauseAt != nullptr) setenv("QUENDLE_PAUSE_AT", wait.pauseAt, 1);
        const pid_t child = start({"--jobs", wait.jobs, "--log", "qdl.log", "src", "dst"}, tree.root, out, err,
                                  launching([](Launch& l) { l.program = {QDLCHECK_WITH_FAULTS}; }));
        unsetenv("QUENDLE_FAULT");
        unsetenv("QUENDLE_PAUSE_AT");
        // Held in the call, or (listing slowly) once the run has its temporary log.
        ASSERT_TRUE(awaitFor([&] {
            if (wait.fault != nullptr) return waitingIn(child, SYS_rt_sigsuspend);
            for (const auto& entry : fs::directory_iterator(tree.root))
                if (entry.path().filename().string().rfind(".qdlcheck-", 0) == 0) return true;
            return false;
        })) << what;
        const auto interrupted = std::chrono::steady_clock::now();
        kill(child, SIGINT);
        const int status = waitFor(child);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - interrupted).count();
        EXPECT_LT(seconds, 1.0) << what;
        EXPECT_EQ(status, ExitNotEveryEntry) << what << ": " << contentsOf(err);
        EXPECT_EQ(contentsOf(out), "") << what;
        EXPECT_NE(contentsOf(err).find("interrupted."), std::string::npos) << what;
        const std::string log = contentsOf(tree.path("qdl.log"));
        EXPECT_TRUE(log.ends_with("\r\n\r\nNOT every entry was compared: interrupted.\r\n")) << what << log;
    }
}

// Ctrl-C while standard output waits on a full pipe nobody reads, or just before a write to it
// (the worst moment: after the run's last look at the user's request): the run ends interrupted,
// its output not lost, and soon.
TEST_F(Qdlcheck, CtrlCWhileTheOutputWaitsIsAnInterruption) {
    if (underWine()) GTEST_SKIP() << "signals reach a POSIX program only";
    const fs::path pipe = tree.path(".pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // there, reading nothing
    const int filler = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    const std::string page(4096, 'x');
    while (write(filler, page.data(), page.size()) > 0) {
    }
    close(filler);
    static std::string output;
    output = pipe.string();
    const struct {
        const char* pauseAt;
        std::vector<long> calls;  // where the run is caught
    } moments[] = {{nullptr, {SYS_write, SYS_poll}},
                   {"before-held-write", {SYS_clock_nanosleep, SYS_nanosleep}}};
    for (const auto& moment : moments) {
        if (moment.pauseAt != nullptr) setenv("QUENDLE_PAUSE_AT", moment.pauseAt, 1);
        setenv("QUENDLE_PAUSE_MS", "300", 1);
        const pid_t child = start({"--all", "src", "dst"}, tree.root, tree.path(".out"),
                                  tree.path(".err"), launching([](Launch& l) { l.output = output; }));
        unsetenv("QUENDLE_PAUSE_AT");
        unsetenv("QUENDLE_PAUSE_MS");
        EXPECT_TRUE(awaitFor([&] {
            return std::any_of(moment.calls.begin(), moment.calls.end(),
                               [&](long call) { return mainThreadWaitingIn(child, call); });
        }));
        kill(child, SIGINT);
        EXPECT_EQ(waitAtMost(child, 5), ExitNotEveryEntry) << "-1: the run waited on after Ctrl-C";
        const std::string err = contentsOf(tree.path(".err"));
        EXPECT_NE(err.find("interrupted."), std::string::npos) << err;
        EXPECT_EQ(err.find("could not be written"), std::string::npos) << err;
    }
    close(reader);
}

// A signal the program was started ignoring (SIGHUP under nohup) stays ignored: the run goes on to
// its end and writes its whole log.
TEST_F(Qdlcheck, ASignalIgnoredFromTheStartStaysIgnored) {
    if (underWine()) GTEST_SKIP() << "signals reach a POSIX program only";
    tree.file("src/held", "compared after the hang-up");
    tree.file("dst/held", "compared after the hang-up");
    setenv("QUENDLE_FAULT", "1 EIO hang", 1);
    // One pair at a time on one thread: the signal that lets the read go on reaches the thread that
    // holds it.
    const pid_t child = start({"--jobs", "1", "--log", "qdl.log", "src", "dst"}, tree.root, tree.path(".out"),
                              tree.path(".err"), launching([](Launch& l) {
                                  l.program = {QDLCHECK_WITH_FAULTS};
                                  l.ignoreHangUp = true;
                                  l.oneThread = true;
                              }));
    unsetenv("QUENDLE_FAULT");
    ASSERT_TRUE(awaitFor([&] { return waitingIn(child, SYS_rt_sigsuspend); }));
    kill(child, SIGHUP);
    // SIGHUP, ignored, does not wake the held read; SIGUSR1, which ends no run, lets it go on.
    kill(child, SIGUSR1);
    EXPECT_EQ(waitFor(child), 0) << contentsOf(tree.path(".err"));
    EXPECT_NE(contentsOf(tree.path("qdl.log")).find("Total         : 3\r\n"), std::string::npos);
}

// A newline, a carriage return or an escape sequence in a name cannot forge a line, on standard
// output, in the log or in the progress line.
TEST_F(Qdlcheck, NamesCannotForgeLinesOrReachTheTerminal) {
    if (underWine()) GTEST_SKIP() << "Windows names cannot hold control characters";
    tree.file("src/new\nOK! : forged", "a");
    tree.file("dst/new\nOK! : forged", "b");
    tree.file("src/\x1b]0;title\x07x\rOK! : over", "only here");
    // C1 controls: CSI encoded in UTF-8, and a raw CSI byte in a name that is no UTF-8.
    tree.file("src/c1\xc2\x9b" "2J", "x");
    tree.file("src/raw\x9b" "2J", "x");
    tree.file("src/caf\xc3\xa9", "x");
    tree.file("dst/caf\xc3\xa9", "x");
    const Outcome r = run({"--progress", "--log", "qdl.log", "src", "dst"});
    EXPECT_EQ(r.out, "SOF : <1B>]0;title<07>x<0D>OK! : over\nSOF : c1<C2><9B>2J\n"
                     "NEC : new<0A>OK! : forged\nSOF : raw<9B>2J\n");
    EXPECT_NE(contentsOf(tree.path("qdl.log")).find("\r\nNEC : new<0A>OK! : forged\r\n"),
              std::string::npos);
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.err.find('\x07'), std::string::npos);
    EXPECT_EQ(r.err.find('\x9b'), std::string::npos);
    // The header shows the roots as typed the same way: a line break there forges no line.
    tree.file("two\r\nNEC : lines/a.txt", "same");
    tree.file("copy/a.txt", "same");
    EXPECT_EQ(run({"--log", "qdl.log", "two\r\nNEC : lines", "copy"}).status, 0);
    EXPECT_NE(contentsOf(tree.path("qdl.log")).find("two<0D><0A>NEC : lines\\*\\*\r\n"),
              std::string::npos)
        << contentsOf(tree.path("qdl.log"));
}

// Links as a Linux user meets them: followed by default, where two links that lead nowhere alike
// are a faithful copy and any other link that leads nowhere is a fatal error that says so; with
// --links every link is compared by its target text and no linked folder is entered.
TEST_F(Qdlcheck, LinksAreFollowedOrComparedAsLinks) {
    if (underWine()) GTEST_SKIP() << "POSIX links";
    tree.file("outside/big/one.txt", "outside the tree");
    for (const std::string side : {"src", "dst"}) {
        ASSERT_TRUE(tree.link("nowhere", side + "/dangling"));
        ASSERT_TRUE(tree.link("itself", side + "/itself"));
        ASSERT_TRUE(tree.link("a.txt", side + "/to-a"));
        ASSERT_TRUE(tree.link("../outside/big", side + "/big"));
    }
    const Outcome faithful = compare({"--all"});
    EXPECT_EQ(faithful.status, 0) << faithful.err;
    EXPECT_EQ(faithful.out, levels("OK! : a.txt\nOK! : big/one.txt\nOK! : dangling\nOK! : itself\n"
                                   "OK! : sub/b.txt\nOK! : to-a\n"));
    EXPECT_EQ(compare({"--links", "--all"}).out,
              "OK! : a.txt\nOK! : big\nOK! : dangling\nOK! : itself\n" + levels("OK! : sub/b.txt\n") +
                  "OK! : to-a\n");

    fs::remove(tree.path("dst/dangling"));
    ASSERT_TRUE(tree.link("elsewhere", "dst/dangling"));
    fs::remove(tree.path("dst/to-a"));
    tree.file("dst/to-a", "same");
    ASSERT_TRUE(tree.link("nowhere", "dst/sub/b.txt.new"));
    fs::remove(tree.path("dst/sub/b.txt"));
    fs::rename(tree.path("dst/sub/b.txt.new"), tree.path("dst/sub/b.txt"));
    const Outcome followed = compare();
    EXPECT_EQ(followed.out, "SOE : dangling\n" + levels("DOE : sub/b.txt\n"));
    EXPECT_EQ(followed.status, ExitFatalErrors);
    EXPECT_NE(followed.err.find("qdlcheck: SOE : dangling: a link that leads nowhere\n"), std::string::npos)
        << followed.err;
    EXPECT_NE(followed.err.find("qdlcheck: DOE : " + levels("sub/b.txt") + ": a link that leads nowhere\n"),
              std::string::npos);
    const Outcome json = compare({"--format", "json"});
    EXPECT_NE(json.out.find("{\"code\":\"SOE\",\"class\":\"fatal\",\"path\":\"dangling\",\"kind\":\"link\","),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"reason\":\"dangling_link\"}"), std::string::npos);

    const Outcome asLinks = compare({"-l"});
    EXPECT_EQ(asLinks.out, "NEC : dangling\n" + levels("NEC : sub/b.txt\n") + "NEC : to-a\n");
    EXPECT_EQ(asLinks.status, ExitErrors);
}

// --exclude and --include leave entries out by name or by path, the first rule that matches
// deciding, on both sides; what is left out is counted, never passed off as compared.
TEST_F(Qdlcheck, FiltersLeaveEntriesOutAndCountThem) {
    tree.file("src/main.o", "object");
    tree.file("src/sub/part.o", "object below");
    tree.file("src/keep/kept.o", "wanted");
    tree.file("dst/keep/kept.o", "wanted");
    tree.file("src/build/out.bin", "built");
    tree.file("src/sub/build", "a file named build");
    tree.file("dst/sub/build", "a file named build");
    tree.file("src/notes.txt", "top only");
    tree.file("src/sub/notes.txt", "same");
    tree.file("dst/sub/notes.txt", "same");
    tree.file("dst/copy-only.o", "an extra left out");
    const Outcome plain = compare({"--extra"});
    EXPECT_EQ(plain.status, ExitErrors | ExitExtras);
    const Outcome r = compare({"--extra", "--all", "--include", levels("keep/*"), "-e", "*.O", "-e",
                               levels("build/"), "--exclude", levels("/notes.txt")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(sortedLines(r.out), sortedLines(levels("OK! : a.txt\nOK! : keep/kept.o\nOK! : sub/b.txt\n"
                                                     "OK! : sub/build\nOK! : sub/notes.txt\n")));
    EXPECT_NE(r.err.find("; 5 excluded\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("every entry was compared but those excluded."), std::string::npos);
    tree.file("patterns", "# what a build leaves\n*.o\r\n\n" + levels("build/") + "\n" + levels("/notes.txt") + "\n");
    const Outcome fromFile = compare({"--format", "json", "--exclude-from", "patterns"});
    EXPECT_EQ(fromFile.status, 0) << fromFile.out;
    EXPECT_NE(fromFile.out.find("\"excluded\":5,"), std::string::npos) << fromFile.out;
    for (const std::string bad : {"", "/", "a//b"}) {
        const Outcome refused = compare({"--exclude", levels(bad)});
        EXPECT_EQ(refused.status, ExitCannotCompare) << bad;
        EXPECT_EQ(refused.err.rfind("qdlcheck: --exclude takes a pattern, not ", 0), 0u) << refused.err;
    }
    EXPECT_EQ(compare({"--exclude-from", "none"}).err, "qdlcheck: cannot read the patterns of none\n");
}

// An extra's name is looked for as a name, never as a pattern or a path: "a*", "ab?" and "sub\x"
// beside "abc" and "sub/x" are extras.
TEST_F(Qdlcheck, ExtrasNamedLikePatternsArePatternsOfNothing) {
    if (underWine()) GTEST_SKIP() << "Windows names cannot hold these characters";
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/abc", "same");
        tree.file(side + "/sub/x", "same");
    }
    tree.file("dst/a*", "copy only");
    tree.file("dst/ab?", "copy only");
    tree.file("dst/sub\\x", "copy only");
    for (const std::string jobs : {"1", "8"}) {
        const Outcome r = compare({"--extra", "--jobs", jobs});
        EXPECT_EQ(r.out, "DOF : a*\nDOF : ab?\nDOF : sub<5C>x\n") << jobs << " jobs";
        EXPECT_EQ(r.status, ExitExtras) << jobs << " jobs";
    }
}

// The log, its temporary files and the log they replace are the run's own: inside either tree
// they are passed over and counted, and a perfect copy stays clean.
TEST_F(Qdlcheck, ALogInsideTheTreesIsNoEntryOfThem) {
    for (const std::string log : {"src/qdl.log", "src/sub/qdl.log", "dst/qdl.log"}) {
        for (int again = 0; again < 2; ++again) {  // the second run replaces the first one's log
            const Outcome r = compare({"--extra", "--log", levels(log)});
            EXPECT_EQ(r.status, 0) << log << ": " << r.out;
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find(again == 0 ? "; 2 of its own files passed over"
                                            : "; 3 of its own files passed over"),
                      std::string::npos)
                << log << ": " << r.err;
        }
        fs::remove(tree.path(log));
    }
    // Another file of the log's name is an entry like any other.
    tree.file("src/sub/qdl.log", "an entry");
    EXPECT_EQ(compare({"--log", "qdl.log"}).out, levels("SOF : sub/qdl.log\n"));
}

// With few descriptors, several pairs in flight give the answer of one pair at a time, also when a
// worker is held at the worst moment (done with a pair, its folders still open) while a pair is
// compared alone; one pair at a time lets its folders go before a file would not open.
TEST_F(Qdlcheck, RunningOutOfDescriptorsDoesNotChangeTheAnswer) {
    if (underWine()) GTEST_SKIP() << "the descriptor limit is a POSIX one";
    for (int i = 0; i < 200; ++i) {
        tree.file("src/f/" + std::to_string(i), patternBytes(3000, i));
        tree.file("dst/f/" + std::to_string(i), patternBytes(3000, i));
    }
    const struct {
        const char* jobs;
        rlim_t descriptors;
        const char* pauseAt;
    } runs[] = {{"1", 16, nullptr}, {"1", 10, nullptr}, {"8", 16, nullptr}, {"8", 16, "worker-between-pairs"}};
    for (const auto& run : runs) {
        if (run.pauseAt != nullptr) setenv("QUENDLE_PAUSE_AT", run.pauseAt, 1);
        static rlim_t limit;
        limit = run.descriptors;
        const Outcome r = this->run({"--all", "--jobs", run.jobs, "src", "dst"},
                                    launching([](Launch& l) { l.openFileLimit = limit; }));
        unsetenv("QUENDLE_PAUSE_AT");
        EXPECT_EQ(r.status, 0) << run.jobs << " jobs, " << run.descriptors << " descriptors: " << r.err;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 202) << run.jobs << " jobs";
    }
}

// A file against a folder named with a trailing separator is the file of that name in it; on
// POSIX "c:tmp" is a relative name; the summary tells the bytes read from those settled unread.
TEST_F(Qdlcheck, TrailingSeparatorsDriveLikeNamesAndTheBytesReallyRead) {
    EXPECT_EQ(run({levels("src/a.txt"), levels("dst/")}).status, 0);
    EXPECT_EQ(run({levels("src/a.txt"), levels("dst/sub/")}).out, "SOF : a.txt\n");
    if (!underWine()) {
        tree.file("c:tmp/a.txt", "same");
        EXPECT_EQ(run({"c:tmp", "dst", "--top"}).status, 0);
    }
    std::string differs = patternBytes(1 << 20, 7);
    tree.file("src/big.bin", differs);
    differs[101] ^= 1;
    tree.file("dst/big.bin", differs);
    const Outcome r = run({levels("src/big.bin"), "dst"});
    EXPECT_EQ(r.out, "NEC : big.bin\n");
    EXPECT_NE(timeless(r.err).find("32768 bytes read and compared, 1015808 settled without reading, "
                                   "of 1048576;"),
              std::string::npos) << r.err;
}

// Names outside any legacy code page are listed, opened and printed as they are, both ways round
// (on Windows through the UTF-8 code page that qdlcheck.exe's manifest asks for).
TEST_F(Qdlcheck, NamesInAnyScriptAreComparedAsTheyAre) {
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/\u65e5\u672c\u8a9e.txt", "same");
        tree.file(side + "/\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt", "same");
    }
    const std::string expected = sortedLines(
        "OK! : a.txt\nOK! : \u65e5\u672c\u8a9e.txt\n" + levels("OK! : sub/b.txt\n") +
        "OK! : \u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.txt\n");
    for (const auto& sides : {std::make_pair("src", "dst"), std::make_pair("dst", "src")}) {
        const Outcome r = run({"--all", native(tree.path(sides.first)), native(tree.path(sides.second))});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(sortedLines(r.out), expected);
    }
}

// --quiet prints nothing at all, for cron; -h is --help; a pattern that matches nothing compared
// nothing, while an empty folder is a clean comparison; a lone "*" level means the tree.
TEST_F(Qdlcheck, QuietIsSilentAndAPatternThatMatchesNothingIsNoCleanResult) {
    tree.file("dst/a.txt", "differs");
    const Outcome quiet = compare({"-q"});
    EXPECT_EQ(quiet.status, ExitErrors);
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_NE(run({"-h"}).out.find("Usage: qdlcheck"), std::string::npos);
    const Outcome nothing = run({levels("src/*.none"), "dst"});
    EXPECT_EQ(nothing.status, ExitCannotCompare);
    EXPECT_EQ(nothing.err, "qdlcheck: nothing matches " + levels("src/*.none") + "\n");
    EXPECT_EQ(run({levels("src/*/*.none"), levels("dst/*/*.none")}).status, ExitCannotCompare);
    tree.folder("empty/src");
    tree.folder("empty/dst");
    EXPECT_EQ(run({levels("empty/src"), levels("empty/dst")}).status, 0);
    // The pattern of a tree applies to its folders too: "sub" does not match "*.txt" or "b.txt".
    tree.file("dst/a.txt", "same");
    EXPECT_EQ(run({"--all", levels("src/*/*.txt"), levels("dst/*/*.txt")}).out, "OK! : a.txt\n");
    EXPECT_EQ(run({levels("src/*/b.txt"), levels("dst/*/b.txt")}).status, ExitCannotCompare);
}

// Last-write times within the window count as equal, at exactly the window and not a second past
// it, before or after.
TEST_F(Qdlcheck, ATimeWindowForCoarseClocks) {
    tree.touch("dst/a.txt", 2);
    tree.touch("dst/sub/b.txt", -3);
    EXPECT_EQ(compare({"--time-window", "2"}).out, levels("NET : sub/b.txt\n"));
    EXPECT_EQ(compare({"-w", "3"}).status, 0);
    EXPECT_EQ(sortedLines(compare().out), sortedLines(levels("NET : a.txt\nNET : sub/b.txt\n")));
    EXPECT_EQ(compare({"-w", "3601"}).status, ExitCannotCompare);
}

// Every JSON line parses with a real JSON parser; NEC carries the offset of the first differing
// byte, at 0, inside the first chunk, at the first byte of the second and in the last byte.
TEST_F(Qdlcheck, JsonLinesParseAndTellWhereFilesDiffer) {
    for (const auto& [name, offset] : std::vector<std::pair<std::string, std::size_t>>{
             {"at0", 0}, {"at101", 101}, {"at32768", 32768}, {"atLast", 69999}}) {
        std::string bytes = patternBytes(70000, 5);
        tree.file("src/d/" + name, bytes);
        bytes[offset] ^= 0x20;
        tree.file("dst/d/" + name, bytes);
    }
    tree.file("src/only.txt", "no copy");
    if (!underWine()) tree.file(std::string("src/caf\xe9\n.txt"), "not UTF-8, and a line break");
    tree.file(".parse.py",
              "import json, sys\n"
              "objects = [json.loads(line) for line in open(sys.argv[1], encoding='utf-8')]\n"
              "for o in objects[:-1]:\n"
              "    print(o['code'], o['class'], o['kind'], o['path'], o.get('path_hex', ''),\n"
              "          o.get('first_difference', ''), 'destination' in o)\n"
              "s = objects[-1]['summary']\n"
              "print(s['errors'], s['exit_status'], s['every_entry_compared'])\n");
    for (const std::string jobs : {"1", "8"}) {
        const Outcome r = compare({"--format", "json", "--jobs", jobs});
        EXPECT_EQ(r.status, ExitErrors);
        tree.file(".json", r.out);
        std::string expected =
            "NEC error file d/at0  0 True\nNEC error file d/at101  101 True\n"
            "NEC error file d/at32768  32768 True\nNEC error file d/atLast  69999 True\n"
            "SOF error file only.txt   False\n";
        if (!underWine()) expected = "SOF error file caf\ufffd\n.txt 636166e90a2e747874  False\n" + expected;
        EXPECT_EQ(sortedLines(shellOutput("python3 " + tree.path(".parse.py").string() + " " +
                                          tree.path(".json").string())),
                  sortedLines(expected + (underWine() ? "5 2 True\n" : "6 2 True\n")))
            << r.out;
    }
}

// Each entry that could not be compared says why, in text and in JSON: a folder and a file it may
// not read, a link round in a loop, a path too long, a file removed while the run held its first
// read.
TEST_F(Qdlcheck, EachFaultSaysItsCause) {
    if (underWine()) GTEST_SKIP() << "permissions, links and the held read are POSIX ones";
    const int room = 250 - static_cast<int>(tree.win("src/").size());
    if (room < 8) GTEST_SKIP() << "the temporary folder leaves no room for a folder below it";
    const std::string deep(static_cast<std::size_t>(room), 'd');
    const std::string tooLong = deep + "/" + std::string(80, 'n');
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/closed/in.txt", "x");
        tree.file(side + "/secret.txt", "x");
        tree.file(side + "/" + tooLong, "x");
    }
    ASSERT_TRUE(tree.link("loop", "src/loop"));
    tree.file("dst/loop", "a file");
    fs::permissions(tree.path("src/closed"), fs::perms::none);
    fs::permissions(tree.path("src/secret.txt"), fs::perms::none);
    const auto held = [&](const std::string& format) {
        tree.file("src/gone.txt", "x");
        tree.file("dst/gone.txt", "x");
        const pid_t child = [&] {
            // One pair at a time on one thread: a.txt's read is held, on the one thread SIGUSR1
            // reaches.
            setenv("QUENDLE_FAULT", "1 EIO hang", 1);
            const pid_t started =
                start({"--jobs", "1", "--format", format, "src", "dst"}, tree.root, tree.path(".out"),
                      tree.path(".err"), launching([](Launch& l) {
                          l.program = {QDLCHECK_WITH_FAULTS};
                          l.asNobody = true;
                          l.oneThread = true;
                      }));
            unsetenv("QUENDLE_FAULT");
            return started;
        }();
        const bool holding = awaitFor([&] { return waitingIn(child, SYS_rt_sigsuspend); });
        EXPECT_TRUE(holding) << format;
        if (!holding) kill(child, SIGKILL);
        fs::remove(tree.path("src/gone.txt"));
        kill(child, SIGUSR1);
        const int status = waitFor(child);
        return Outcome{status, textOf(tree.path(".out")), textOf(tree.path(".err"))};
    };
    const Outcome text = held("text");
    EXPECT_EQ(text.status, ExitFatalErrors) << text.err;
    EXPECT_EQ(text.out, "SOE : closed\nSOE : " + tooLong + "\nSOE : gone.txt\nSOE : loop\nSOE : secret.txt\n");
    for (const std::string& said : std::vector<std::string>{
             "SOE : closed: access refused (" + std::string(std::strerror(EACCES)) + ")",
          "SOE : " + tooLong + ": a path longer than 259 characters",
          "SOE : gone.txt: gone since it was listed (" + std::string(std::strerror(ENOENT)) + ")",
          "SOE : loop: a link that leads round in a loop",
          "SOE : secret.txt: access refused (" + std::string(std::strerror(EACCES)) + ")"})
        EXPECT_NE(text.err.find("qdlcheck: " + said + "\n"), std::string::npos) << said << "\n" << text.err;

    const Outcome json = held("json");
    for (const std::string& said : std::vector<std::string>{
             "\"path\":\"closed\",\"kind\":\"folder\",", "\"reason\":\"refused\",\"error\":" + std::to_string(EACCES) + "}",
          "\"reason\":\"too_long\"}", "\"reason\":\"vanished\",\"error\":" + std::to_string(ENOENT) + "}",
          "\"reason\":\"link_loop\"", "\"path\":\"secret.txt\",\"kind\":\"file\","})
        EXPECT_NE(json.out.find(said), std::string::npos) << said << "\n" << json.out;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 6) << json.out;
    fs::permissions(tree.path("src/closed"), fs::perms::owner_all);
}

// Paths too long to open are reported whole, in JSON and NUL-ended lines alike: two of them never
// print as one.
TEST_F(Qdlcheck, PathsTooLongToOpenAreGivenWhole) {
    if (underWine()) GTEST_SKIP() << "Windows refuses such paths before the program sees them";
    // A folder the run can enter (its path and "\\*" within 259 characters), names that cannot fit.
    const int room = 250 - static_cast<int>(tree.win("src/").size());
    if (room < 8) GTEST_SKIP() << "the temporary folder leaves no room for a folder below it";
    const std::string folder(static_cast<std::size_t>(room), 'd');
    const std::string name(80, 'n');
    for (const std::string side : {"src", "dst"}) {
        tree.file(side + "/" + folder + "/" + name + "A", "x");
        tree.file(side + "/" + folder + "/" + name + "B", "x");
    }
    const Outcome json = compare({"--format", "json"});
    for (const char* last : {"A", "B"}) {
        EXPECT_NE(json.out.find("\"path\":\"" + folder + "/" + name + last + "\""), std::string::npos) << json.out;
    }
    EXPECT_NE(json.out.find("\"reason\":\"too_long\""), std::string::npos);
    const Outcome nul = compare({"-0"});
    EXPECT_EQ(nul.out, "SOE : " + folder + "/" + name + "A" + std::string(1, '\0') + "SOE : " + folder + "/" +
                           name + "B" + std::string(1, '\0'));
}

// --null ends each line with NUL and writes the names as they are stored, line breaks and all.
TEST_F(Qdlcheck, NullEndedLinesCarryNamesExactly) {
    if (underWine()) GTEST_SKIP() << "Windows names cannot hold a line break";
    tree.file("src/two\nlines.txt", "only here");
    tree.file("dst/sub/b.txt", "differs");
    const Outcome r = compare({"-0"});
    EXPECT_EQ(r.out, std::string("NEC : sub/b.txt\0SOF : two\nlines.txt\0", 36));
    EXPECT_EQ(r.status, ExitErrors);
}

// What only the copy holds: with --extra a file is DOF and a folder DOD (once, nothing inside),
// where it falls in the listing, counted apart, with exit bit 32; the same with any --jobs; never
// in the log; in a folder pattern only the files the pattern matches.
TEST_F(Qdlcheck, ExtrasAreWhatOnlyTheCopyHolds) {
    tree.file("dst/b.only", "kept after it was deleted");
    tree.file("dst/kept/deep/x", "a whole folder");
    tree.file("dst/sub/c.only", "below");
    tree.file("dst/z.only", "last");
    const std::string lines = "OK! : a.txt\nDOF : b.only\nDOD : kept\n" + levels("OK! : sub/b.txt\n") +
                              levels("DOF : sub/c.only\n") + "DOF : z.only\n";
    std::string one;
    for (const std::string jobs : {"1", "8"}) {
        const Outcome r = compare({"--extra", "--all", "--jobs", jobs, "--log", "qdl.log"});
        EXPECT_EQ(r.status, ExitExtras) << jobs << " jobs";
        EXPECT_EQ(underWine() ? sortedLines(r.out) : r.out, underWine() ? sortedLines(lines) : lines);
        EXPECT_NE(r.err.find("Total 2, Extra 4"), std::string::npos) << r.err;
        if (jobs == "8") {
            EXPECT_EQ(r.out, one);
        }
        one = r.out;
        EXPECT_EQ(contentsOf(tree.path("qdl.log")).find("DO"), std::string::npos) << "no extra in the log";
    }
    EXPECT_EQ(compare().status, 0) << "without --extra nothing changes";
    EXPECT_EQ(run({"-x", levels("src/*.only"), "dst"}).status, ExitCannotCompare) << "the source matches nothing";
    tree.file("src/x.only", "here too");
    tree.file("dst/x.only", "here too");
    const Outcome pattern = run({"-x", levels("src/*.only"), "dst"});
    EXPECT_EQ(sortedLines(pattern.out), "DOF : b.only\nDOF : z.only\n");
    EXPECT_EQ(pattern.status, ExitExtras);
}

// What a run with injected faults must still answer: never a clean status (unless the failed call
// was made again, or another way, and every entry has the clean run's line), no temporary file
// left behind (unless the run names it), the earlier log whole or a new one whole, and every error
// number a line carries the one injected.
struct FaultedRun {
    std::string fault;
    int error;  // the errno injected; 0 for a read come short
    Outcome outcome;
    bool injected;
};

std::string invariantBroken(const FaultedRun& run, const Outcome& clean, const fs::path& root,
                            const std::string& earlierLog) {
    // A call the layer made again, or did another way, may leave the run clean: then every entry
    // (the runs list them all) has the clean run's line.
    const std::regex seconds("\"seconds\":[0-9.]+");
    if (run.outcome.status == 0 &&
        std::regex_replace(run.outcome.out, seconds, "") != std::regex_replace(clean.out, seconds, ""))
        return "a clean status";
    // One that could not be removed is named, unless every call failed from some point on.
    bool unnamedLeft = false;
    for (const auto& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".qdlcheck-", 0) != 0) continue;
        fs::remove(entry.path());
        unnamedLeft |= run.outcome.err.find(name + " could not be removed") == std::string::npos;
    }
    if (unnamedLeft && run.fault.find(" from") == std::string::npos) return "a temporary file left";
    const std::string log = contentsOf(root / "qdl.log");
    if (log != earlierLog) {
        std::smatch total;
        if (log.rfind("Quendle Log File\r\n", 0) != 0 || log.size() < 2 || log.substr(log.size() - 2) != "\r\n" ||
            !std::regex_search(log, total, std::regex("Total *: ([0-9]+)\r\n")))
            return "a log that is neither the earlier one nor whole";
        const std::regex entryLine("\n[A-Z!]{3} : ");
        const std::ptrdiff_t lines =
            std::distance(std::sregex_iterator(log.begin(), log.end(), entryLine), std::sregex_iterator());
        if (lines != std::stol(total[1])) return "a log whose lines are not its total";
    }
    const std::regex error("\"error\":([0-9]+)");
    for (auto at = std::sregex_iterator(run.outcome.out.begin(), run.outcome.out.end(), error);
         at != std::sregex_iterator(); ++at)
        if (std::stoi((*at)[1]) != run.error) return "a line with another error than the one injected";
    return "";
}

// Every system call of a run, failed in turn with one error or another, once or from then on, or
// a read coming short: what the run answers keeps every invariant above, one pair at a time or four,
// small files read whole and a large one in chunks.
TEST_F(Qdlcheck, NoFailingCallEverEndsInACleanResult) {
    if (underWine()) GTEST_SKIP() << "the calls are counted in the POSIX layer";
    tree.file("src/.hidden", "dot");
    tree.file("dst/.hidden", "dot");
    tree.file("src/empty", "");
    tree.file("dst/empty", "");
    tree.file("src/sub/deeper/c.txt", "c");
    tree.file("dst/sub/deeper/c.txt", "c");
    // Large enough to be read in chunks, both sides' at once where the worker has a ring.
    tree.file("src/sub/large.bin", patternBytes(300000, 7));
    tree.file("dst/sub/large.bin", patternBytes(300000, 7));
    const std::string earlierLog = "the log of an earlier run";
    const fs::path report = tree.path(".report");
    const auto runWith = [&](const std::string& fault, const std::vector<std::string>& arguments) {
        tree.file("qdl.log", earlierLog);
        setenv("QUENDLE_FAULT", fault.c_str(), 1);
        setenv("QUENDLE_FAULT_REPORT", report.c_str(), 1);
        const Outcome outcome = run(arguments, launching([](Launch& l) { l.program = {QDLCHECK_WITH_FAULTS}; }));
        unsetenv("QUENDLE_FAULT");
        unsetenv("QUENDLE_FAULT_REPORT");
        std::istringstream counted(contentsOf(report));
        unsigned long long calls = 0;
        unsigned long long injected = 0;
        counted >> calls >> injected;
        return std::make_pair(outcome, std::make_pair(calls, injected != 0));
    };
    // Each call fails with EIO, and with one more of the others in turn.
    const std::pair<const char*, int> others[] = {{"EACCES", EACCES}, {"ENOSPC", ENOSPC},
                                                  {"EMFILE", EMFILE}, {"ENOMEM", ENOMEM},
                                                  {"EINTR", EINTR},   {"EIO short", 0},
                                                  {"EIO from", EIO}};
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"--all", "--format", "json", "--log", "qdl.log", "src", "dst"}, {"--all", "src/*", "dst"},
             {"--all", "src/a.txt", "dst/"}, {"--all", "--extra", "src", "dst"}}) {
        const auto [clean, counted] = runWith("0 EIO", arguments);
        const auto calls = counted.first;
        ASSERT_EQ(clean.status, 0) << arguments[0] << clean.err;
        ASSERT_GT(calls, 5u);
        for (const std::string jobs : {"1", "4"}) {
            std::vector<std::string> withJobs = {"--jobs", jobs};
            withJobs.insert(withJobs.end(), arguments.begin(), arguments.end());
            for (unsigned long long call = 1; call <= calls; ++call) {
                const auto& other = others[call % std::size(others)];
                for (const auto& [kind, error] : {std::make_pair("EIO", EIO), other}) {
                    const std::string fault = std::to_string(call) + " " + kind;
                    const auto [outcome, made] = runWith(fault, withJobs);
                    if (!made.second) continue;
                    const std::string broken =
                        invariantBroken({fault, error, outcome, true}, clean, tree.root, earlierLog);
                    EXPECT_EQ(broken, "") << "call " << fault << ", " << jobs << " jobs, " << arguments[1]
                                          << "\n" << outcome.out << outcome.err;
                }
            }
        }
    }
}

}  // namespace
