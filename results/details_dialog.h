#pragma once

#include "window_system/win32_windows.h"

// Dialog 131: the log lines of the stopped comparison, and Save Log.
INT_PTR CALLBACK DetailsDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Adds one line per compared entry and lets the widest of them scroll fully into view.
void fillLogList(HWND dialog);
