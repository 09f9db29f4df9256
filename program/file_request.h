#pragma once

#include "window_system/win32_windows.h"

// The record the open and save dialogs take: owner, one filter entry, 260-character buffers for the
// full name and the title, the folder to start in, and the flags. Its size is the platform's own
// record without the fields that later versions added (76 bytes on 32-bit Windows).
OPENFILENAMEA fileRequest(HWND owner, const char* filter, char* fileName, char* fileTitle,
                          const char* initialFolder, DWORD flags);
