// Who the program is: its module, its title and its legal notice.
#pragma once

#include "window_system/win32_windows.h"

extern HINSTANCE instanceHandle;
// Also the window class name and the main window's caption.
extern const char programTitle[];
// Two lines, separated by a line feed.
extern const char legalNotice[];
