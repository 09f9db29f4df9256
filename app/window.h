// A window driven by an object: the window procedure hands every message to handleMessage.
#pragma once

#include "window_system/win32_windows.h"

#include <cstdint>

struct WindowPosition {
    std::int32_t x;
    std::int32_t y;
};

struct WindowSize {
    std::int32_t width;
    std::int32_t height;
};

class Window {
public:
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    WindowPosition getPosition() const { return position; }
    WindowSize getSize() const { return size; }

    HWND windowHandle;
    WindowPosition position;
    WindowSize size;
};
