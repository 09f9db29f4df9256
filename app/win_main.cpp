// The process: register the class, run the session inside MainWindow, drain the queue, exit 0.
#include "main_window.h"
#include "message_loop.h"
#include "program/identity.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int) {
    instanceHandle = instance;
    // The Comparing Result dialog names the progress bar class; make sure it is registered.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (previousInstance == nullptr) registerMainWindowClass();
    int result;
    {
        MainWindow mainWindow;
        result = runMessageLoop();
    }
    return result;
}
