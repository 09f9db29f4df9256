// Dialog 129: the two specifications, the stop level, and Compare.
#pragma once

#include "window_system/win32_windows.h"

#include <cstdint>

// Bit 1: the source edit was empty when last examined; bit 2: the destination edit.
extern std::uint8_t emptyFieldMask;

INT_PTR CALLBACK MainDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the edit with a file chosen in the open dialog, starting in the edit's folder.
void browseForFile(HWND dialog, int editId);
// Replaces everything after the last backslash before a wildcard in both edits by the pattern.
void applyPattern(HWND dialog, const char* pattern);
// Enables All Files, All Sub Dirs and Compare exactly while both edits hold text.
void updateCompareButtons(HWND dialog, int editId, std::uint8_t emptyBit);
