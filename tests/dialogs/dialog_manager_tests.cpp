// The dialog manager itself: templates read from the resource script, and what its calls promise.
#include "window_system/dialog_manager/dialog_template.h"
#include "window_system/scripted/scripted_session.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(DialogManager, ReadsTheFourDialogsFromTheResourceScript) {
    struct Expected {
        int id;
        const char* caption;
        int controls;
        int width, height;
    };
    for (const Expected& dialog : {Expected{IDD_ABOUT, "About", 5, 192, 120},
                                   Expected{IDD_MAIN, "Quendle", 23, 240, 120},
                                   Expected{IDD_COMPARING_RESULT, "Comparing Result", 29, 264, 96},
                                   Expected{IDD_DETAILS, "Details", 4, 172, 192}}) {
        const DialogTemplate* found = findDialogTemplate(dialog.id);
        ASSERT_NE(found, nullptr) << dialog.caption;
        EXPECT_STREQ(found->caption, dialog.caption);
        EXPECT_EQ(found->controlCount, dialog.controls);
        EXPECT_EQ(found->cx, dialog.width);
        EXPECT_EQ(found->cy, dialog.height);
    }
    const DialogTemplate& main = *findDialogTemplate(IDD_MAIN);
    const ControlTemplate& compare = main.controls[19];
    EXPECT_STREQ(compare.text, "&Compare");
    EXPECT_EQ(compare.id, IDOK);
    EXPECT_EQ(compare.style & (BS_TYPEMASK | WS_DISABLED | WS_TABSTOP),
              BS_DEFPUSHBUTTON | WS_DISABLED | WS_TABSTOP);
    EXPECT_EQ(findDialogTemplate(132), nullptr);
}

TEST(DialogManager, ScriptsThatDoNotReadAreRefusedWhole) {
    DialogTemplate templates[2];
    const char good[] =
        "7 DIALOGEX 0, 0, 40, 16\nSTYLE WS_POPUP | WS_CAPTION\nCAPTION \"Say \"\"hi\"\"\"\nBEGIN\n"
        "    CONTROL \"&OK\", 1, \"BUTTON\", BS_DEFPUSHBUTTON | WS_TABSTOP | NOT WS_TABSTOP, 2, 2, 20, 8\nEND\n";
    ASSERT_EQ(parseDialogScript(good, templates, 2), 1);
    EXPECT_STREQ(templates[0].caption, "Say \"hi\"");
    EXPECT_EQ(templates[0].controls[0].style, BS_DEFPUSHBUTTON);
    const char unknownStyle[] =
        "7 DIALOGEX 0, 0, 40, 16\nBEGIN\n    CONTROL \"\", 1, \"BUTTON\", BS_FANCY, 2, 2, 20, 8\nEND\n";
    EXPECT_EQ(parseDialogScript(unknownStyle, templates, 2), -1);
    const char unterminated[] = "7 DIALOGEX 0, 0, 40, 16\nBEGIN\n    CONTROL \"x, 1";
    EXPECT_EQ(parseDialogScript(unterminated, templates, 2), -1);
}

namespace {
int timerTicks;
bool nestedStarted;

INT_PTR CALLBACK countingDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetTimer(dialog, 1, 10, nullptr);
        return TRUE;
    case WM_TIMER:
        if (++timerTicks == 3) KillTimer(dialog, 1);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && !nestedStarted) {
            nestedStarted = true;
            // A modal box inside the dialog: the owner waits, disabled, until it is answered.
            MessageBoxA(dialog, "Nested.", "Error", MB_OK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 42);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

TEST(DialogManager, TimersStopWithKillTimerAndModalDialogsNest) {
    timerTicks = 0;
    nestedStarted = false;
    ScriptedSession session([] {
        return static_cast<int>(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                                countingDialog, 0));
    });
    HWND about = session.dialog("About");
    ASSERT_NE(about, nullptr);
    session.tick(10);
    EXPECT_EQ(timerTicks, 3);
    session.press(about, IDOK);
    EXPECT_EQ(session.activeCaption(), "Error");
    EXPECT_EQ(session.text(session.dialog("Error"), -1), "Nested.");
    session.key(KeyEscape);
    EXPECT_EQ(session.activeCaption(), "About");
    session.key(KeyEscape);
    EXPECT_TRUE(session.finished());
    EXPECT_EQ(session.exitCode(), 42);
}
