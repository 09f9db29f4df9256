// The hidden top-level window that owns the dialogs; its constructor runs the whole session.
#pragma once

#include "window.h"

class MainWindow : public Window {
public:
    // Creates the window and runs the main dialog; returns once the user has quit.
    MainWindow();
    ~MainWindow() {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    const char* title;
};

// Ends the process with exit code 0 when the class cannot be registered.
void registerMainWindowClass();

extern "C" QUENDLE_EXPORT LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam);
