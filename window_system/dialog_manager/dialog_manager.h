// What the parts of the dialog manager share beyond the Win32 calls themselves.
#pragma once

#include "window_record.h"

// Creates a window record owned by the manager.
HWND createWindowRecord(WindowKind kind, HWND parent);
// Removes a window and its controls, their timers and their queued messages.
void destroyWindowRecord(HWND window);

// Runs a dialog modally from its template: the owner disabled until it ends, WM_INITDIALOG first.
INT_PTR runModalDialog(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM parameter);

// The control with identifier id in dialog, or null.
HWND controlById(HWND dialog, int id);
// Sends WM_COMMAND with the control's identifier and a notification code to its dialog.
void notifyDialog(HWND control, WORD code);
// What a click does: a push button commands, an automatic radio button is selected first.
void clickButton(HWND button);
// Selects one radio button and clears the others of its group.
void selectRadioButton(HWND button);
// The first and last control of the group that holds control (by WS_GROUP).
void groupBounds(HWND control, int& first, int& last);
int childIndex(HWND control);
// Moves the keyboard focus within its dialog; a radio button of a group gives way to the checked one.
void focusControl(HWND control);
// Whether the control takes part in Tab: a tab stop that is enabled.
bool takesTab(HWND control);
// Scrolls an edit so that its caret shows, with a cell for it behind the text.
void keepCaretInView(HWND edit);
// Sets the text of any window; edits also notify their dialog.
void setWindowText(HWND window, const char* text);

// A key pressed in the dialog the user works in.
void handleDialogKey(HWND dialog, int key);
