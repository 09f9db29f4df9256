// Drives a running quendle.exe from outside, as a user would: dialogs found by caption, controls
// by identifier, texts and states read back through window messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class QuendleSession {
public:
    // Starts the program (quendle.exe) from folder (its current directory) and waits for the main
    // dialog.
    explicit QuendleSession(const std::string& folder, const char* program = "quendle.exe");
    ~QuendleSession();
    QuendleSession(const QuendleSession&) = delete;
    QuendleSession& operator=(const QuendleSession&) = delete;

    // A top-level window of the program whose caption is exactly caption; null after a timeout.
    HWND waitForDialog(const char* caption) const;
    // Presses Quit and returns the exit code, or -1 when the process did not end.
    int quit();

    HWND mainDialog;
    PROCESS_INFORMATION process;
};

// The program's folder: the driver's own.
std::string programFolder();

void setText(HWND dialog, int id, const std::string& text);
std::string textOf(HWND dialog, int id);
bool enabled(HWND dialog, int id);
// Posted, so a button that opens a modal dialog does not hold the driver.
void press(HWND dialog, int id);
// The lines in UTF-8, whatever code page either program runs in.
std::vector<std::string> listLines(HWND dialog, int id);
// Polls until done() holds; false after timeoutMs.
template <typename Done>
bool waitUntil(Done done, int timeoutMs = 20000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (done()) return true;
        Sleep(20);
    }
    return done();
}
