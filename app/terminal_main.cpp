// The terminal program: the application hands the window system its dialog script and runs its own
// WinMain over the terminal front end.
#include "dialog_script.h"
#include "window_system/dialog_manager/dialog_template.h"
#include "window_system/terminal/terminal_front_end.h"

int main() {
    useDialogScript(quendleDialogScript);
    return runInTerminal([] { return WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL); });
}
