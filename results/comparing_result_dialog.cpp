#include "comparing_result_dialog.h"

#include "details_dialog.h"
#include "engine/qdl_core.h"
#include "engine/stepper.h"
#include "engine/stop_rule.h"
#include "log_text/decimal_text.h"
#include "log_text/name_text.h"
#include "program/app_settings.h"
#include "program/help_command.h"
#include "program/identity.h"
#include "resources/resource_ids.h"

#include <new>

bool tickIdle;
bool comparisonRunning;

namespace {

constexpr UINT_PTR compareTimer = 1;
constexpr UINT tickMilliseconds = 10;

void deleteJob() {
    delete currentJob;
    currentJob = nullptr;
}

void showCount(HWND dialog, int controlId, std::int32_t count) {
    char text[decimalRoom];
    decimalText(count, text);
    SetDlgItemTextA(dialog, controlId, text);
}

void stopRun(HWND dialog) {
    KillTimer(dialog, compareTimer);
    tickIdle = true;
    enterDoneState(dialog);
}

void onTick(HWND dialog) {
    if (!tickIdle) return;
    tickIdle = false;
    // The step that finds the list exhausted changes no counter: the figures are already final.
    if (compareStep(*currentJob) != 0 || refreshProgress(dialog)) {
        stopRun(dialog);
        return;
    }
    tickIdle = true;
}

INT_PTR onInit(HWND dialog) {
    if (createJob(dialog) != 0) {
        MessageBoxA(dialog, "Memory Error.", "Error", MB_OK);
        EndDialog(dialog, 1);
        return TRUE;
    }
    SetTimer(dialog, compareTimer, tickMilliseconds, nullptr);
    tickIdle = true;
    comparisonRunning = true;
    return FALSE;
}

void abortRun(HWND dialog) {
    KillTimer(dialog, compareTimer);
    comparisonRunning = false;
    abandonPairInProgress(*currentJob);
    enterDoneState(dialog);
}

void cancelRun(HWND dialog) {
    if (comparisonRunning) {
        KillTimer(dialog, compareTimer);
        enterDoneState(dialog);
        comparisonRunning = false;
    }
    // The job closes the files of a pair still in progress.
    deleteJob();
    EndDialog(dialog, 1);
}

INT_PTR showLog(HWND dialog) {
    return DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_DETAILS), dialog, DetailsDialog,
                           0) == -1;
}

}  // namespace

int createJob(HWND) {
    currentJob = new (std::nothrow)
        QdlCore(appSettings.sourceSpec, appSettings.destinationSpec, appSettings.stopLevel);
    if (currentJob == nullptr) return 1;
    // A specification planning refuses leaves the list empty: the dialog shows a run of nothing.
    static_cast<void>(currentJob->plan());
    // A list that lost pairs for want of memory would report a partial run as complete.
    if (currentJob->listIncomplete()) {
        deleteJob();
        return 1;
    }
    return 0;
}

bool refreshProgress(HWND dialog) {
    const CompareStats& stats = currentJob->stats;
    char name[shownPathRoom];
    SetDlgItemTextA(dialog, IDC_CURRENT_NAME, showNameInProgress(stats.currentName, name, sizeof name));
    showCount(dialog, IDC_NO_DIFFERENCE, stats.noDifference);
    showCount(dialog, IDC_NOTICES, stats.notices);
    showCount(dialog, IDC_ERRORS, stats.errors);
    showCount(dialog, IDC_FATAL_ERRORS, stats.fatalErrors);
    showCount(dialog, IDC_TOTAL, stats.total);
    SendMessageA(GetDlgItem(dialog, IDC_PROGRESS), PBM_SETPOS,
                 static_cast<WPARAM>(stats.ratePercent), 0);
    showCount(dialog, IDC_RATE, stats.ratePercent);
    return stopRuleHolds(*currentJob);
}

void enterDoneState(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_STATUS, "Done.");
    SetDlgItemTextA(dialog, IDC_CURRENT_NAME, "");
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND abortButton = GetDlgItem(dialog, IDC_ABORT);
    EnableWindow(ok, TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_SHOW_LOG), TRUE);
    // Keyboard focus must not stay on the button about to be disabled.
    if (GetFocus() == abortButton) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
    EnableWindow(abortButton, FALSE);
}

INT_PTR CALLBACK ComparingResultDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return onInit(dialog);
    case WM_TIMER:
        onTick(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            deleteJob();
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            cancelRun(dialog);
            return TRUE;
        case IDC_HELP_BUTTON:
            runHelpCommand();
            return FALSE;
        case IDC_ABORT:
            abortRun(dialog);
            return FALSE;
        case IDC_SHOW_LOG:
            return showLog(dialog);
        }
        return FALSE;
    }
    return FALSE;
}
