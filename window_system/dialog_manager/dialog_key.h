// The keys a dialog understands, as a terminal or a test script delivers them.
#pragma once

// Keys as the dialogs see them: printable characters are themselves.
enum DialogKey : int {
    KeyNone = -1,
    KeyTab = 0x1000, KeyBackTab, KeyEnter, KeyEscape, KeyLeft, KeyRight, KeyUp, KeyDown,
    KeyHome, KeyEnd, KeyPageUp, KeyPageDown, KeyBackspace, KeyDelete,
    KeySelectAll,  // Ctrl-A in an edit
    KeyClearField, // Ctrl-U in an edit, as terminals clear their line
    KeyInterrupt,  // Ctrl-C: Esc without being asked anything
};
constexpr int altKey = 0x10000;  // added to a character typed with Alt
