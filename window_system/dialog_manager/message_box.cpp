// MessageBoxA as a small dialog of its own: the text in lines, then OK or Yes and No.
#include "dialog_manager.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int lineColumns = 60;
constexpr int lineRoom = 8;

INT_PTR CALLBACK messageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK || id == IDYES || id == IDNO) EndDialog(dialog, id);
    // Esc and the close box answer No where there is no Cancel.
    if (id == IDCANCEL) EndDialog(dialog, controlById(dialog, IDNO) != nullptr ? IDNO : IDOK);
    return TRUE;
}

// Splits text at line feeds and wraps what is wider than a line; returns the number of lines.
int splitLines(const char* text, char lines[][lineColumns + 1]) {
    int count = 0;
    while (count < lineRoom) {
        const int breakAt = static_cast<int>(std::strcspn(text, "\n"));
        const int length = std::min(breakAt, lineColumns);
        std::memcpy(lines[count], text, length);
        lines[count++][length] = '\0';
        text += length;
        if (*text == '\0') break;
        if (*text == '\n') ++text;
    }
    return count;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    char lines[lineRoom][lineColumns + 1];
    const int count = splitLines(text != nullptr ? text : "", lines);
    const bool question = (type & 0xF) == MB_YESNO;
    int widest = question ? 24 : 12;
    for (int i = 0; i < count; ++i) widest = std::max(widest, static_cast<int>(std::strlen(lines[i])) + 4);
    DialogTemplate box = {};
    box.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    std::strncpy(box.caption, caption != nullptr ? caption : "Error", templateTextRoom - 1);
    box.cx = widest * 4;
    box.cy = (count + 3) * 8;
    for (int i = 0; i < count; ++i)
        addControl(box, lines[i], -1, "STATIC", SS_LEFT, 8, (i + 1) * 8, box.cx - 12, 8);
    const int buttonRow = (count + 2) * 8;
    if (question) {
        addControl(box, "&Yes", IDYES, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, box.cx / 2 - 44, buttonRow, 40, 8);
        addControl(box, "&No", IDNO, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, box.cx / 2 + 4, buttonRow, 40, 8);
    } else {
        addControl(box, "OK", IDOK, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, box.cx / 2 - 20, buttonRow, 40, 8);
    }
    const INT_PTR answer = runModalDialog(box, owner, messageBoxProc, 0);
    return answer == -1 ? 0 : static_cast<int>(answer);
}
