#include "details_dialog.h"

#include "log_text/log_lines.h"
#include "program/help_command.h"
#include "resources/resource_ids.h"
#include "save_log_file.h"

#include <cstring>

namespace {
// Room the list box needs beside the text itself: its left margin and the caret's column.
constexpr int lineMargin = 8;
}

void fillLogList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_LOG_LIST);
    HDC context = GetDC(list);
    HGDIOBJ previousFont = SelectObject(context, reinterpret_cast<HGDIOBJ>(
                                                     SendMessageA(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    rewindLogLines(*currentJob);
    while (const char* line = nextLogLine()) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        SIZE extent;
        if (GetTextExtentPoint32A(context, line, static_cast<int>(std::strlen(line)), &extent) &&
            extent.cx > widest)
            widest = extent.cx;
    }
    SelectObject(context, previousFont);
    ReleaseDC(list, context);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + lineMargin), 0);
}

INT_PTR CALLBACK DetailsDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        fillLogList(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_HELP_BUTTON:
            runHelpCommand();
            return FALSE;
        case IDC_SAVE_LOG:
            saveLogFile(dialog);
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
