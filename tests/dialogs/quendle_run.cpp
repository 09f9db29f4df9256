#include "quendle_run.h"

#include "app/dialog_script.h"
#include "engine/qdl_core.h"
#include "window_system/dialog_manager/dialog_template.h"
#include "program/app_settings.h"
#include "resources/resource_ids.h"
#include "results/comparing_result_dialog.h"
#include "settings/main_dialog.h"

#include <filesystem>

namespace {
int startQuendle() {
    useDialogScript(quendleDialogScript);
    // What a new process starts with.
    emptyFieldMask = 3;
    appSettings = AppSettings{};
    tickIdle = false;
    comparisonRunning = false;
    return WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
}
}  // namespace

QuendleRun::QuendleRun()
    : ScriptedSession(startQuendle), mainDialog(dialog("Quendle")),
      startDirectory(std::filesystem::current_path().string()) {}

QuendleRun::~QuendleRun() {
    std::error_code ignored;
    std::filesystem::current_path(startDirectory, ignored);
}

HWND QuendleRun::startCompare(const std::string& source, const std::string& destination,
                              int stopButton) {
    setText(mainDialog, IDC_SOURCE_SPEC, source.c_str());
    setText(mainDialog, IDC_DESTINATION_SPEC, destination.c_str());
    press(mainDialog, stopButton);
    press(mainDialog, IDOK);
    return dialog("Comparing Result");
}

bool QuendleRun::runToDone(HWND result, int maximumTicks) {
    for (int i = 0; i < maximumTicks; ++i) {
        if (text(result, IDC_STATUS) == "Done.") return true;
        tick();
    }
    return false;
}

std::vector<std::string> QuendleRun::figures(HWND result) {
    return {text(result, IDC_NO_DIFFERENCE), text(result, IDC_NOTICES), text(result, IDC_ERRORS),
            text(result, IDC_FATAL_ERRORS),  text(result, IDC_TOTAL),   text(result, IDC_RATE)};
}
