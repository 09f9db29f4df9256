// Dialog templates as records: read from the application's resource script, or built in code for
// the message box and the file choosers.
#pragma once

#include "window_calls.h"

constexpr int templateTextRoom = 96;
constexpr int templateClassRoom = 24;
constexpr int templateControlRoom = 40;

struct ControlTemplate {
    char text[templateTextRoom];
    int id;
    char className[templateClassRoom];
    DWORD style;
    int x, y, cx, cy;  // dialog units
};

struct DialogTemplate {
    int id;
    DWORD style;
    char caption[templateTextRoom];
    int cx, cy;
    int controlCount;
    ControlTemplate controls[templateControlRoom];
};

// The application's preprocessed resource script, handed over before its first dialog, and kept.
void useDialogScript(const char* script);
// The template of dialog id from the resource script, or null when there is none (or the script
// does not parse, which the tests catch).
const DialogTemplate* findDialogTemplate(int id);

// Parses every DIALOGEX of a preprocessed resource script into templates; returns how many were
// read, or -1 at the first statement it cannot read.
int parseDialogScript(const char* script, DialogTemplate* templates, int room);

// Appends a control to a template built in code; false when the template is full.
bool addControl(DialogTemplate& dialog, const char* text, int id, const char* className,
                DWORD style, int x, int y, int cx, int cy);
