#include "terminal_front_end.h"

#include <chrono>
#include <clocale>
#include <curses.h>
#include <spawn.h>
#include <cerrno>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

int dialogKey(int key) {
    switch (key) {
    case '\t': return KeyTab;
    case KEY_BTAB: return KeyBackTab;
    case '\n': case '\r': case KEY_ENTER: return KeyEnter;
    case KEY_LEFT: return KeyLeft;
    case KEY_RIGHT: return KeyRight;
    case KEY_UP: return KeyUp;
    case KEY_DOWN: return KeyDown;
    case KEY_HOME: return KeyHome;
    case KEY_END: return KeyEnd;
    case KEY_PPAGE: return KeyPageUp;
    case KEY_NPAGE: return KeyPageDown;
    case KEY_BACKSPACE: case 127: case 8: return KeyBackspace;
    case KEY_DC: return KeyDelete;
    case 0x01: return KeySelectAll;
    case 0x15: return KeyClearField;
    case 0x03: return KeyInterrupt;  // Ctrl-C: raw mode delivers it as a key
    }
    return key >= 0x20 && key <= 0xFF ? key : KeyNone;
}

// Esc alone cancels; Esc followed at once by a printable character is that character with Alt.
int afterEscape() {
    nodelay(stdscr, TRUE);
    const int next = getch();
    nodelay(stdscr, FALSE);
    if (next == ERR) return KeyEscape;
    if (next >= 0x20 && next < 0x7F) return altKey | next;
    // Esc and then another key typed quickly, such as a second Esc: two keys, not one.
    ungetch(next);
    return KeyEscape;
}

}  // namespace

TerminalFrontEnd::TerminalFrontEnd() {
    std::setlocale(LC_ALL, "");
    initscr();
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
}

TerminalFrontEnd::~TerminalFrontEnd() { endwin(); }

std::int64_t TerminalFrontEnd::now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int TerminalFrontEnd::waitForKey(std::int64_t deadline) {
    drawDialogs();
    const std::int64_t wait = deadline < 0 ? -1 : std::max<std::int64_t>(0, deadline - now());
    timeout(static_cast<int>(wait));
    const int key = getch();
    if (key == ERR || key == KEY_RESIZE) return KeyNone;
    if (key == 27) return afterEscape();
    return dialogKey(key);
}

// The pager gets the whole terminal; the dialogs come back when it ends.
bool TerminalFrontEnd::openDocument(const char* posixPath) {
    const char* chosen = std::getenv("PAGER");
    const char* pagers[] = {chosen != nullptr && chosen[0] != '\0' ? chosen : "less", "more"};
    def_prog_mode();
    endwin();
    bool started = false;
    for (const char* pager : pagers) {
        pid_t child;
        char* arguments[] = {const_cast<char*>(pager), const_cast<char*>(posixPath), nullptr};
        if (posix_spawnp(&child, pager, nullptr, nullptr, arguments, environ) != 0) continue;
        int status;
        while (waitpid(child, &status, 0) == -1 && errno == EINTR) continue;
        started = true;
        break;
    }
    reset_prog_mode();
    refresh();
    return started;
}

int runInTerminal(int (*program)()) {
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) {
        static const char message[] = "quendle: needs a terminal to show its dialogs\n";
        // Nothing more can be said when even this does not go out: the status tells.
        if (write(STDERR_FILENO, message, sizeof message - 1) < 0) return 2;
        return 2;
    }
    TerminalFrontEnd terminal;
    setFrontEnd(&terminal);
    const int result = program();
    setFrontEnd(nullptr);
    return result;
}
