#pragma once

#include "window_system/win32_windows.h"

// Asks for a file name (default QDL_Log.txt) and writes the log of currentJob there; failures are
// shown in message boxes owned by owner, a cancelled question writes nothing.
void saveLogFile(HWND owner);
