#include "message_loop.h"

#include "window_system/win32_windows.h"

int runMessageLoop() {
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 0;  // no queue to read: nothing is left to wait for
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
