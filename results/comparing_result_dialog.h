// Dialog 130: runs one comparison on a 10 ms timer and shows its progress; owns the job.
#pragma once

#include "window_system/win32_windows.h"

// False while a timer tick is being handled, so a nested tick does not step.
extern bool tickIdle;
// Set when the timer starts; cleared by Abort and Cancel only.
extern bool comparisonRunning;

INT_PTR CALLBACK ComparingResultDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// 0 with currentJob created and planned; 1 when that failed, with no job left.
[[nodiscard]] int createJob(HWND dialog);
// Shows the job's figures; true when the stop rule holds.
bool refreshProgress(HWND dialog);
void enterDoneState(HWND dialog);
