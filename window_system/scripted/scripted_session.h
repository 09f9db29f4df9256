// The dialog manager without a terminal, for tests: the program runs its dialogs on a thread of
// its own, and the test acts on them as a user would, one step at a time. Every step runs on the
// program's thread and returns once the program waits for input again.
#pragma once

#include "window_system/dialog_manager/dialog_key.h"
#include "window_system/win32_windows.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedSession {
public:
    // Starts program (a WinMain, or a single DialogBoxParamA) and waits until it asks for input.
    explicit ScriptedSession(std::function<int()> program);
    // Ends whatever dialogs are still open and waits for the program.
    ~ScriptedSession();
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;

    // The open dialog with this caption (the topmost when several have it), or null.
    HWND dialog(const char* caption);
    // The caption of the dialog the user works in; empty when none is open.
    std::string activeCaption();

    void setText(HWND dialog, int controlId, const char* text);
    void press(HWND dialog, int controlId);
    // A key as the terminal would deliver it, to the dialog the user works in.
    void key(int key);
    void type(const char* text);
    // Moves the clock on by 10 ms, count times, delivering the timer ticks that fall due.
    void tick(int count = 1);

    std::string text(HWND dialog, int controlId);
    bool enabled(HWND dialog, int controlId);
    bool checked(HWND dialog, int controlId);
    int progress(HWND dialog, int controlId);
    std::vector<std::string> lines(HWND dialog, int controlId);
    // The identifier of the control with the keyboard focus, or 0.
    int focusId();
    // What ShellExecuteA was last asked to open, as a POSIX path.
    std::string openedDocument();

    bool finished();
    int exitCode();

    // Runs step on the program's thread while it waits for input.
    void step(std::function<void()> action);

    class Driver;

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> pending;
    std::uint64_t queued = 0;
    std::uint64_t settled = 0;
    std::uint64_t waits = 0;
    bool done = false;
    bool abandoning = false;
    int result = 0;
    std::int64_t clock = 0;
    std::string document;
    Driver* driver;
    std::thread programThread;
};
