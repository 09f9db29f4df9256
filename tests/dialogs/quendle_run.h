// Quendle's own WinMain on the scripted dialog manager, from the state of a fresh process.
#pragma once

#include "window_system/scripted/scripted_session.h"

#include <string>
#include <vector>

class QuendleRun : public ScriptedSession {
public:
    QuendleRun();
    // The file choosers move the current directory, as on Windows; the next test starts where this did.
    ~QuendleRun();

    // Types both specifications, picks the stop level and presses Compare.
    HWND startCompare(const std::string& source, const std::string& destination, int stopButton);
    // Ticks until the Comparing Result dialog says "Done." (or gives up); true when it did.
    bool runToDone(HWND result, int maximumTicks = 1000);
    // No difference, notices, errors, fatal errors, total, and the percentage.
    std::vector<std::string> figures(HWND result);

    HWND mainDialog;

private:
    std::string startDirectory;
};

