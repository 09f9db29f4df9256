// The window calls the dialogs are written against: the USER32, GDI32, COMCTL32, COMDLG32 and
// SHELL32 subset. On Windows the system's; elsewhere the dialog manager's, over a terminal or a
// test script. Nothing below the dialogs includes this: the engine and qdlcheck see no window.
#pragma once

#include "platform/win32.h"

#ifdef _WIN32
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#else
#include "window_system/dialog_manager/window_calls.h"
#endif
