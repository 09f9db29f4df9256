#pragma once

#include "window_system/win32_windows.h"

// Dialog 128: the icon, programTitle and the legal notice.
INT_PTR CALLBACK AboutDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
