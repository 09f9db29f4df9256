// Modal dialogs from templates, their loop, and the timers that tick inside it.
#include "dialog_manager.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace {

// Dialog units to cells: a quarter of a cell across, an eighth down.
int columnOf(int x) { return x / 4; }
int rowOf(int y) { return y / 8; }

WindowKind kindOf(const ControlTemplate& control) {
    const char* name = control.className;
    if (strcasecmp(name, "EDIT") == 0) return WindowKind::Edit;
    if (strcasecmp(name, "LISTBOX") == 0) return WindowKind::ListBox;
    if (strcasecmp(name, "msctls_progress32") == 0) return WindowKind::Progress;
    if (strcasecmp(name, "STATIC") == 0)
        return (control.style & SS_TYPEMASK) == SS_ICON ? WindowKind::Icon : WindowKind::Static;
    if (strcasecmp(name, "BUTTON") == 0)
        return (control.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON ? WindowKind::RadioButton
                                                                   : WindowKind::PushButton;
    return WindowKind::TopLevel;  // no such class
}

// Controls of one line of text take one row; list boxes, bars and icons keep their height.
CellRect cellsOf(const ControlTemplate& control, WindowKind kind) {
    const int left = columnOf(control.x);
    const int top = rowOf(control.y);
    const int width = std::max(1, columnOf(control.x + control.cx) - left);
    int height = 1;
    if (kind == WindowKind::ListBox || kind == WindowKind::Progress || kind == WindowKind::Icon)
        height = std::max(1, rowOf(control.y + control.cy) - top);
    return CellRect{left, top, width, height};
}

HWND createDialogWindow(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure) {
    for (int i = 0; i < dialogTemplate.controlCount; ++i)
        if (kindOf(dialogTemplate.controls[i]) == WindowKind::TopLevel) return nullptr;
    HWND dialog = createWindowRecord(WindowKind::Dialog, owner);
    dialog->style = dialogTemplate.style;
    dialog->dialogProc = procedure;
    std::strcpy(dialog->text, dialogTemplate.caption);
    dialog->cells = CellRect{0, 0, (dialogTemplate.cx + 3) / 4, (dialogTemplate.cy + 7) / 8};
    for (int i = 0; i < dialogTemplate.controlCount; ++i) {
        const ControlTemplate& source = dialogTemplate.controls[i];
        const WindowKind kind = kindOf(source);
        HWND control = createWindowRecord(kind, dialog);
        control->id = source.id;
        control->style = source.style;
        control->enabled = (source.style & WS_DISABLED) == 0;
        control->cells = cellsOf(source, kind);
        std::strcpy(control->text, source.text);
    }
    return dialog;
}

HWND firstTabStop(HWND dialog) {
    for (HWND child : dialog->children)
        if (takesTab(child)) return child;
    return nullptr;
}

// Delivers the most overdue timer, if any is due; true when one was.
bool deliverDueTimer(std::int64_t now) {
    auto& timers = dialogManager().timers;
    auto due = std::min_element(timers.begin(), timers.end(),
                                [](const Timer& a, const Timer& b) { return a.due < b.due; });
    if (due == timers.end() || due->due > now) return false;
    // Ticks do not pile up while the program is busy: the next one is a full interval away.
    due->due = now + due->interval;
    const Timer timer = *due;
    SendMessageA(timer.window, WM_TIMER, timer.id, 0);
    return true;
}

std::int64_t nextTimerDue() {
    const auto& timers = dialogManager().timers;
    std::int64_t next = -1;
    for (const Timer& timer : timers)
        if (next == -1 || timer.due < next) next = timer.due;
    return next;
}

void pumpOnce() {
    DialogManager& manager = dialogManager();
    if (manager.frontEnd == nullptr) return;
    if (deliverDueTimer(manager.frontEnd->now())) return;
    const int key = manager.frontEnd->waitForKey(nextTimerDue());
    HWND dialog = activeDialog();
    if (key != KeyNone && dialog != nullptr) handleDialogKey(dialog, key);
}

}  // namespace

INT_PTR runModalDialog(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM parameter) {
    // With nobody to show it to or answer it, a dialog could never end.
    if (dialogManager().frontEnd == nullptr || procedure == nullptr) return -1;
    if (owner != nullptr && liveWindow(owner) == nullptr) return -1;
    HWND dialog = createDialogWindow(dialogTemplate, owner, procedure);
    if (dialog == nullptr) return -1;
    const bool ownerWasEnabled = owner != nullptr && owner->enabled;
    if (owner != nullptr) owner->enabled = false;
    HWND first = firstTabStop(dialog);
    procedure(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), parameter);
    // Whatever WM_INITDIALOG answers, a dialog shown without focus could not be worked by keyboard.
    if (dialog->focus == nullptr && first != nullptr) focusControl(first);
    while (!dialog->ended) pumpOnce();
    const INT_PTR result = dialog->result;
    destroyWindowRecord(dialog);
    if (ownerWasEnabled && liveWindow(owner) != nullptr) owner->enabled = true;
    return result;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter) {
    if (!IS_INTRESOURCE(templateName)) return -1;
    const DialogTemplate* dialogTemplate =
        findDialogTemplate(static_cast<int>(reinterpret_cast<UINT_PTR>(templateName)));
    if (dialogTemplate == nullptr) return -1;
    return runModalDialog(*dialogTemplate, owner, procedure, parameter);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    if (liveWindow(dialog) == nullptr || dialog->kind != WindowKind::Dialog) return FALSE;
    dialog->ended = true;
    dialog->result = result;
    return TRUE;
}

UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT milliseconds, TIMERPROC) {
    DialogManager& manager = dialogManager();
    if (liveWindow(window) == nullptr || manager.frontEnd == nullptr) return 0;
    const UINT interval = std::max(milliseconds, 10u);
    const std::int64_t due = manager.frontEnd->now() + interval;
    for (Timer& timer : manager.timers) {
        if (timer.window == window && timer.id == timerId) {
            timer.interval = interval;
            timer.due = due;
            return timerId;
        }
    }
    manager.timers.push_back(Timer{window, timerId, interval, due});
    return timerId;
}

BOOL KillTimer(HWND window, UINT_PTR timerId) {
    auto& timers = dialogManager().timers;
    const auto removed = std::erase_if(
        timers, [&](const Timer& timer) { return timer.window == window && timer.id == timerId; });
    return removed != 0;
}
