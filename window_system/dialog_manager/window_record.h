// The dialog manager's records: every window (the hidden main window, dialogs, their controls),
// the timers and the message queue, kept in one state record for the one thread that owns them.
#pragma once

#include "dialog_key.h"
#include "dialog_template.h"
#include "window_calls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class WindowKind { TopLevel, Dialog, Static, Icon, Edit, PushButton, RadioButton, ListBox, Progress };

// A rectangle in character cells; a control's is relative to its dialog's client area.
struct CellRect {
    int left, top, width, height;
};

constexpr int windowTextRoom = 1024;

struct HWND__ {
    WindowKind kind;
    int id;
    DWORD style;
    bool enabled;
    CellRect cells;
    char text[windowTextRoom];
    HWND parent;                  // a control's dialog; a dialog's owner
    std::vector<HWND> children;   // in template order, which is also the tab order

    // Dialogs
    DLGPROC dialogProc;
    HWND focus;
    bool ended;
    INT_PTR result;

    // The main window
    WNDPROC windowProc;
    LONG_PTR extra;

    // Controls
    bool checked;         // radio buttons
    int caret;            // edits: insertion point
    int anchor;           // edits: the other end of the selection; the caret when none
    int scroll;           // edits: first column shown; list boxes: first column shown
    int position;         // progress bars: 0..100
    std::vector<std::string> lines;  // list boxes
    int topLine;
    int selected;         // -1 when no line is selected
    int extent;           // list boxes: scrollable width in columns
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT interval;
    std::int64_t due;
};

// What shows the dialogs and feeds them keys: the terminal, or a test script.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    // Milliseconds on a clock that only moves forward.
    virtual std::int64_t now() = 0;
    // Shows the dialogs as they stand, then waits for one key until the clock reaches deadline
    // (-1: no deadline). KeyNone when nothing came.
    virtual int waitForKey(std::int64_t deadline) = 0;
    // Opens a document with whatever shows it; false when it cannot.
    virtual bool openDocument(const char* posixPath) = 0;
};

struct DialogManager {
    std::vector<std::unique_ptr<HWND__>> windows;  // creation order: later dialogs lie on top
    std::vector<Timer> timers;
    std::vector<MSG> queue;
    WNDCLASSA windowClass;
    std::string className;
    FrontEnd* frontEnd;
};

DialogManager& dialogManager();
// Installs the front end that the modal loops wait on; null restores none.
void setFrontEnd(FrontEnd* frontEnd);

// Null for a handle that is not (or no longer) a window.
HWND__* liveWindow(HWND window);
// The dialog the user works in: the last one created that is still open, or null.
HWND activeDialog();
// The open dialogs from bottom to top.
std::vector<HWND> openDialogs();
