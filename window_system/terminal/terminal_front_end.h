// The dialogs in a terminal over ncurses: drawn in character cells, worked by keyboard.
#pragma once

#include "window_system/dialog_manager/window_record.h"

class TerminalFrontEnd : public FrontEnd {
public:
    TerminalFrontEnd();
    ~TerminalFrontEnd() override;
    std::int64_t now() override;
    int waitForKey(std::int64_t deadline) override;
    bool openDocument(const char* posixPath) override;
};

// Draws the open dialogs from bottom to top on the whole screen.
void drawDialogs();

// Runs a program's dialogs in the terminal the program was started in: its exit code, or 2 (with a
// message) when that is no terminal.
int runInTerminal(int (*program)());
