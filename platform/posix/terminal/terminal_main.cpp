// The terminal program: the dialogs over ncurses, then the program's own WinMain.
#include "terminal_front_end.h"

#include <unistd.h>

int main() {
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) {
        static const char message[] = "quendle: needs a terminal to show its dialogs\n";
        return write(STDERR_FILENO, message, sizeof message - 1) < 0 ? 2 : 2;
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
