// The terminal program: the dialogs over ncurses, then the program's own WinMain.
#include "terminal_front_end.h"

#include <unistd.h>

int main() {
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) {
        static const char message[] = "quendle: needs a terminal to show its dialogs\n";
        // Nothing more can be said when even this does not go out: the status tells.
        if (write(STDERR_FILENO, message, sizeof message - 1) < 0) return 2;
        return 2;
    }
    int result;
    {
        TerminalFrontEnd terminal;
        setFrontEnd(&terminal);
        result = WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
        setFrontEnd(nullptr);
    }
    return result;
}
