// The messages and dialog-item calls that controls answer, and the commands they send.
#include "dialog_manager.h"
#include "text_cells.h"

#include <algorithm>
#include <cstring>

namespace {

LRESULT listBoxMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const int count = static_cast<int>(list->lines.size());
    switch (message) {
    case LB_ADDSTRING:
        list->lines.emplace_back(reinterpret_cast<const char*>(lParam));
        return count;
    case LB_RESETCONTENT:
        list->lines.clear();
        list->topLine = 0;
        list->scroll = 0;
        list->selected = -1;
        return 0;
    case LB_GETCURSEL:
        return list->selected < 0 ? LB_ERR : list->selected;
    case LB_SETHORIZONTALEXTENT:
        list->extent = static_cast<int>(wParam);
        return 0;
    }
    return 0;
}

LRESULT controlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        setWindowText(control, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_GETTEXT: {
        const int room = static_cast<int>(wParam);
        if (room <= 0) return 0;
        char* out = reinterpret_cast<char*>(lParam);
        const int length = std::min(static_cast<int>(std::strlen(control->text)), room - 1);
        std::memcpy(out, control->text, length);
        out[length] = '\0';
        return length;
    }
    case WM_GETFONT:
        return 0;
    case BM_CLICK:
        clickButton(control);
        return 0;
    case PBM_SETPOS: {
        const int previous = control->position;
        control->position = std::clamp(static_cast<int>(wParam), 0, 100);
        return previous;
    }
    case PBM_GETPOS:
        return control->position;
    }
    if (control->kind == WindowKind::ListBox) return listBoxMessage(control, message, wParam, lParam);
    return 0;
}

// What a dialog procedure leaves alone, done as the system's dialog procedure would.
LRESULT defaultDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NEXTDLGCTL:
        if (lParam != 0) {
            HWND control = liveWindow(reinterpret_cast<HWND>(wParam));
            if (control != nullptr && control->parent == dialog) focusControl(control);
        } else {
            handleDialogKey(dialog, wParam != 0 ? KeyBackTab : KeyTab);
        }
        return 0;
    case WM_SETTEXT:
        setWindowText(dialog, reinterpret_cast<const char*>(lParam));
        return TRUE;
    }
    return 0;
}

}  // namespace

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (liveWindow(window) == nullptr) return 0;
    switch (window->kind) {
    case WindowKind::TopLevel:
        return window->windowProc(window, message, wParam, lParam);
    case WindowKind::Dialog:
        if (window->dialogProc(window, message, wParam, lParam) != FALSE) return TRUE;
        return defaultDialogMessage(window, message, wParam, lParam);
    default:
        return controlMessage(window, message, wParam, lParam);
    }
}

HWND controlById(HWND dialog, int id) {
    if (liveWindow(dialog) == nullptr) return nullptr;
    for (HWND child : dialog->children)
        if (child->id == id) return child;
    return nullptr;
}

HWND GetDlgItem(HWND dialog, int controlId) { return controlById(dialog, controlId); }

LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(controlById(dialog, controlId), message, wParam, lParam);
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int room) {
    HWND control = controlById(dialog, controlId);
    if (control == nullptr) {
        if (room > 0) text[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(SendMessageA(control, WM_GETTEXT, static_cast<WPARAM>(room),
                                          reinterpret_cast<LPARAM>(text)));
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    HWND control = controlById(dialog, controlId);
    if (control == nullptr) return FALSE;
    setWindowText(control, text);
    return TRUE;
}

void keepCaretInView(HWND edit) {
    const char* text = edit->text;
    if (edit->caret < edit->scroll) edit->scroll = edit->caret;
    while (edit->scroll < edit->caret &&
           cellsOf(text + edit->scroll, edit->caret - edit->scroll) > edit->cells.width - 1)
        edit->scroll = glyphAfter(text, edit->scroll);
}

// A text the program sets shows its end, where a path holds what was put in it last (a pattern,
// a file chosen), and the caret waits there.
void setWindowText(HWND window, const char* text) {
    std::strncpy(window->text, text != nullptr ? text : "", windowTextRoom - 1);
    window->text[windowTextRoom - 1] = '\0';
    if (window->kind != WindowKind::Edit) return;
    window->caret = static_cast<int>(std::strlen(window->text));
    window->anchor = window->caret;
    window->scroll = 0;
    keepCaretInView(window);
    notifyDialog(window, EN_CHANGE);
}

void notifyDialog(HWND control, WORD code) {
    HWND dialog = control->parent;
    if (liveWindow(dialog) == nullptr || dialog->kind != WindowKind::Dialog) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control));
}

BOOL EnableWindow(HWND window, BOOL enable) {
    if (liveWindow(window) == nullptr) return FALSE;
    const bool wasDisabled = !window->enabled;
    window->enabled = enable != FALSE;
    // A disabled control cannot keep the focus: it moves on as Tab would move it.
    HWND dialog = window->parent;
    if (!window->enabled && dialog != nullptr && dialog->kind == WindowKind::Dialog &&
        dialog->focus == window)
        handleDialogKey(dialog, KeyTab);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) { return liveWindow(window) != nullptr && window->enabled; }

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkedId) {
    if (liveWindow(dialog) == nullptr) return FALSE;
    for (HWND child : dialog->children)
        if (child->id >= firstId && child->id <= lastId) child->checked = child->id == checkedId;
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int buttonId) {
    HWND button = controlById(dialog, buttonId);
    return button != nullptr && button->checked ? BST_CHECKED : BST_UNCHECKED;
}

HWND GetFocus() {
    HWND dialog = activeDialog();
    return dialog != nullptr ? dialog->focus : nullptr;
}

int childIndex(HWND control) {
    const auto& siblings = control->parent->children;
    return static_cast<int>(std::find(siblings.begin(), siblings.end(), control) - siblings.begin());
}

void groupBounds(HWND control, int& first, int& last) {
    const auto& siblings = control->parent->children;
    const int count = static_cast<int>(siblings.size());
    first = childIndex(control);
    while (first > 0 && (siblings[first]->style & WS_GROUP) == 0) --first;
    last = childIndex(control);
    while (last + 1 < count && (siblings[last + 1]->style & WS_GROUP) == 0) ++last;
}

void selectRadioButton(HWND button) {
    int first, last;
    groupBounds(button, first, last);
    for (int i = first; i <= last; ++i) {
        HWND sibling = button->parent->children[i];
        if (sibling->kind == WindowKind::RadioButton) sibling->checked = sibling == button;
    }
}

void clickButton(HWND button) {
    if (!button->enabled) return;
    if (button->kind == WindowKind::RadioButton) selectRadioButton(button);
    else if (button->kind != WindowKind::PushButton) return;
    notifyDialog(button, BN_CLICKED);
}

bool takesTab(HWND control) {
    return (control->style & WS_TABSTOP) != 0 && control->enabled &&
           (control->style & WS_VISIBLE) != 0;
}

void focusControl(HWND control) {
    if (control->kind == WindowKind::RadioButton && !control->checked) {
        int first, last;
        groupBounds(control, first, last);
        for (int i = first; i <= last; ++i) {
            HWND sibling = control->parent->children[i];
            if (sibling->kind == WindowKind::RadioButton && sibling->checked && sibling->enabled)
                control = sibling;
        }
    }
    // An edit is entered with its whole text selected, as Windows does: typing replaces it.
    if (control->kind == WindowKind::Edit && control->parent->focus != control) {
        control->anchor = 0;
        control->caret = static_cast<int>(std::strlen(control->text));
        keepCaretInView(control);
    }
    control->parent->focus = control;
}
