// The dialogs in a terminal over ncurses: drawn in character cells, worked by keyboard.
#pragma once

#include "platform/posix/dialogs/window_record.h"

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
