#include "about_dialog.h"

#include "program/identity.h"
#include "resources/resource_ids.h"

namespace {
// The notice up to its first carriage return, line feed or end, cut to the room given.
void copyFirstLine(const char* text, char* line, int room) {
    while (--room > 0 && *text != '\0' && *text != '\r' && *text != '\n') *line++ = *text++;
    *line = '\0';
}
}  // namespace

INT_PTR CALLBACK AboutDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        SetDlgItemTextA(dialog, IDC_ABOUT_TITLE, programTitle);
        char firstLine[128];
        copyFirstLine(legalNotice, firstLine, sizeof firstLine);
        SetDlgItemTextA(dialog, IDC_ABOUT_NOTICE, firstLine);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
