#include "main_window.h"

#include "program/help_command.h"
#include "program/identity.h"
#include "resources/resource_ids.h"
#include "settings/main_dialog.h"

void registerMainWindowClass() {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = WndProc;
    windowClass.cbWndExtra = sizeof(LONG_PTR);  // slot 0: the Window object
    windowClass.hInstance = instanceHandle;
    windowClass.hIcon = LoadIconA(instanceHandle, "IDI_AppIcon");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = programTitle;
    if (RegisterClassA(&windowClass) == 0) ExitProcess(0);
}

MainWindow::MainWindow() : title(programTitle) {
    position = {CW_USEDEFAULT, 0};
    size = {432, 320};
    // With x at CW_USEDEFAULT, y is the show command: 0 creates the window hidden.
    windowHandle = CreateWindowExA(0, programTitle, title,
                                   WS_VISIBLE | WS_VSCROLL | WS_SYSMENU | WS_MINIMIZEBOX,
                                   position.x, position.y, size.width, size.height, nullptr,
                                   nullptr, instanceHandle, this);
    if (windowHandle == nullptr) ExitProcess(0);
    buildHelpCommand();
    const INT_PTR result = DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_MAIN),
                                           windowHandle, MainDialog, 0);
    if (result != -1)
        PostQuitMessage(0);
    else
        DestroyWindow(windowHandle);  // nothing to show: its WM_DESTROY ends the message loop
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        // Nothing is drawn, but the region is validated so no further WM_PAINT is queued.
        ValidateRect(windowHandle, nullptr);
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(windowHandle, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client,
                 static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 0;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONUP:
        return 0;
    default:
        return DefWindowProcA(windowHandle, message, wParam, lParam);
    }
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<Window*>(GetWindowLongPtrA(window, 0));
    if (object != nullptr) return object->handleMessage(message, wParam, lParam);
    if (message == WM_CREATE) {
        object = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(object));
        object->windowHandle = window;
        return object->handleMessage(message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
