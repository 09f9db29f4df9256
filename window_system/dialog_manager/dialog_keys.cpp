// The keyboard inside a dialog: Tab order, radio groups, mnemonics, Enter and Esc, line editing
// in edits and scrolling in list boxes.
#include "dialog_manager.h"
#include "text_cells.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

HWND nextTabStop(HWND dialog, HWND from, int step) {
    const auto& children = dialog->children;
    const int count = static_cast<int>(children.size());
    if (count == 0) return nullptr;
    int index = from != nullptr ? childIndex(from) : (step > 0 ? count - 1 : 0);
    // Tab leaves the group it is in, so a radio group is one stop.
    int first = -1, last = -1;
    if (from != nullptr && from->kind == WindowKind::RadioButton) groupBounds(from, first, last);
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step + count) % count;
        if (index >= first && index <= last) continue;
        if (takesTab(children[index])) return children[index];
    }
    return nullptr;
}

// Up and Left go back, Down and Right go on, among the enabled radio buttons of the group.
void moveInRadioGroup(HWND button, int step) {
    int first, last;
    groupBounds(button, first, last);
    const int size = last - first + 1;
    int index = childIndex(button);
    for (int tried = 0; tried < size; ++tried) {
        index = first + (index - first + step + size) % size;
        HWND sibling = button->parent->children[index];
        if (sibling->kind == WindowKind::RadioButton && sibling->enabled) {
            button->parent->focus = sibling;
            clickButton(sibling);
            return;
        }
    }
}

HWND defaultButton(HWND dialog) {
    for (HWND child : dialog->children)
        if (child->kind == WindowKind::PushButton && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return child;
    return nullptr;
}

void pressEnter(HWND dialog) {
    HWND focus = dialog->focus;
    if (focus != nullptr && focus->kind == WindowKind::PushButton) {
        clickButton(focus);
        return;
    }
    HWND button = defaultButton(dialog);
    if (button == nullptr) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (button->enabled) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    }
}

// Esc in a terminal is easily pressed by mistake (it also begins the keys typed with Alt): before
// it ends the dialog that ends the program, the user is asked.
bool escapeConfirmed(HWND dialog) {
    const HWND owner = dialog->parent;
    if (owner == nullptr || owner->kind != WindowKind::TopLevel) return true;
    const std::string question = std::string("Quit ") + dialog->text + "?";
    return MessageBoxA(dialog, question.c_str(), dialog->text, MB_YESNO) == IDYES;
}

void pressEscape(HWND dialog) {
    HWND cancel = controlById(dialog, IDCANCEL);
    if (cancel != nullptr && !cancel->enabled) return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(cancel));
}

char mnemonicOf(HWND control) {
    for (const char* at = control->text; *at != '\0'; ++at) {
        if (*at != '&') continue;
        if (at[1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(at[1])));
        ++at;
    }
    return '\0';
}

// A label's mnemonic reaches the control after it; a button's presses it. False when none has it.
bool pressMnemonic(HWND dialog, int character) {
    const char wanted = static_cast<char>(std::tolower(character));
    for (HWND control : dialog->children) {
        if (mnemonicOf(control) != wanted || !control->enabled) continue;
        if (control->kind == WindowKind::Static) {
            HWND next = nextTabStop(dialog, control, 1);
            if (next != nullptr) focusControl(next);
        } else if (control->kind == WindowKind::PushButton || control->kind == WindowKind::RadioButton) {
            dialog->focus = control;
            clickButton(control);
        } else {
            focusControl(control);
        }
        return true;
    }
    return false;
}

// Removes the selected text, leaving the caret where it began; false when nothing was selected.
bool removeSelection(HWND edit) {
    const int from = std::min(edit->anchor, edit->caret);
    const int to = std::max(edit->anchor, edit->caret);
    edit->caret = edit->anchor = from;
    if (from == to) return false;
    std::memmove(edit->text + from, edit->text + to, std::strlen(edit->text + to) + 1);
    return true;
}

// The caret moves to position; an arrow with text selected goes to that end of the selection.
void moveCaret(HWND edit, int position) {
    edit->caret = edit->anchor = position;
}

bool editKey(HWND edit, int key) {
    char* text = edit->text;
    const int length = static_cast<int>(std::strlen(text));
    const bool writable = (edit->style & ES_READONLY) == 0;
    const bool selection = edit->anchor != edit->caret;
    const int selectionStart = std::min(edit->anchor, edit->caret);
    const int selectionEnd = std::max(edit->anchor, edit->caret);
    bool changed = false;
    switch (key) {
    case KeyLeft: moveCaret(edit, selection ? selectionStart : glyphBefore(text, edit->caret)); break;
    case KeyRight: moveCaret(edit, selection ? selectionEnd : glyphAfter(text, edit->caret)); break;
    case KeyHome: moveCaret(edit, 0); break;
    case KeyEnd: moveCaret(edit, length); break;
    case KeySelectAll:
        edit->anchor = 0;
        edit->caret = length;
        break;
    case KeyClearField:
        if (!writable) break;
        edit->anchor = 0;
        edit->caret = length;
        changed = removeSelection(edit);
        break;
    case KeyBackspace:
    case KeyDelete: {
        if (!writable) break;
        if (!selection) {
            // The character before the caret, or after it: a selection of one.
            if (key == KeyBackspace ? edit->caret == 0 : edit->caret == length) break;
            edit->anchor = key == KeyBackspace ? glyphBefore(text, edit->caret) : glyphAfter(text, edit->caret);
        }
        changed = removeSelection(edit);
        break;
    }
    default: {
        if (key < 0x20 || key > 0xFF || key == 0x7F) return false;
        if (!writable || length - (selectionEnd - selectionStart) >= windowTextRoom - 1) break;
        changed = removeSelection(edit);
        const int rest = static_cast<int>(std::strlen(text + edit->caret));
        std::memmove(text + edit->caret + 1, text + edit->caret, static_cast<std::size_t>(rest) + 1);
        // A path typed the Linux way reads as the program's own: no Linux name holds a "/".
        text[edit->caret++] = key == '/' ? '\\' : static_cast<char>(key);
        edit->anchor = edit->caret;
        changed = true;
    }
    }
    keepCaretInView(edit);
    if (changed) notifyDialog(edit, EN_CHANGE);
    return true;
}

bool listKey(HWND list, int key) {
    const int count = static_cast<int>(list->lines.size());
    const int page = std::max(1, list->cells.height - 1);
    const bool selecting = (list->style & LBS_NOSEL) == 0;
    int target = selecting ? std::max(list->selected, 0) : list->topLine;
    switch (key) {
    case KeyUp: --target; break;
    case KeyDown: target += (selecting && list->selected < 0) ? 0 : 1; break;
    case KeyPageUp: target -= page; break;
    case KeyPageDown: target += page; break;
    case KeyHome:
        target = 0;
        list->scroll = 0;
        break;
    case KeyEnd: target = count - 1; break;
    case KeyLeft: list->scroll = std::max(0, list->scroll - 1); return true;
    case KeyRight: list->scroll = std::min(std::max(0, list->extent - list->cells.width), list->scroll + 1); return true;
    default: return false;
    }
    if (count == 0) return true;
    target = std::clamp(target, 0, count - 1);
    if (!selecting) {
        list->topLine = std::clamp(target, 0, std::max(0, count - list->cells.height));
        return true;
    }
    const bool moved = target != list->selected;
    list->selected = target;
    if (target < list->topLine) list->topLine = target;
    if (target >= list->topLine + list->cells.height) list->topLine = target - list->cells.height + 1;
    if (moved && (list->style & LBS_NOTIFY) != 0) notifyDialog(list, LBN_SELCHANGE);
    return true;
}

}  // namespace

void handleDialogKey(HWND dialog, int key) {
    HWND focus = dialog->focus;
    switch (key) {
    case KeyTab:
    case KeyBackTab: {
        HWND next = nextTabStop(dialog, focus, key == KeyTab ? 1 : -1);
        if (next != nullptr) focusControl(next);
        return;
    }
    case KeyEnter:
        pressEnter(dialog);
        return;
    case KeyEscape:
        if (escapeConfirmed(dialog)) pressEscape(dialog);
        return;
    case KeyInterrupt:
        pressEscape(dialog);
        return;
    }
    if (key & altKey) {
        pressMnemonic(dialog, key & 0xFF);
        return;
    }
    if (focus != nullptr && focus->kind == WindowKind::Edit && editKey(focus, key)) return;
    if (focus != nullptr && focus->kind == WindowKind::ListBox && listKey(focus, key)) return;
    if (focus != nullptr && focus->kind == WindowKind::RadioButton &&
        (key == KeyUp || key == KeyDown || key == KeyLeft || key == KeyRight)) {
        moveInRadioGroup(focus, key == KeyUp || key == KeyLeft ? -1 : 1);
        return;
    }
    if (key == ' ' && focus != nullptr) {
        clickButton(focus);
        return;
    }
    if (key > ' ' && key < 0x7F) pressMnemonic(dialog, key);
}
