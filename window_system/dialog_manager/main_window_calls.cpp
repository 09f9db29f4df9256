// The hidden main window, its class, the message queue, and the drawing calls it makes.
#include "dialog_manager.h"
#include "text_cells.h"

#include <cstdlib>
#include <cstring>

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    DialogManager& manager = dialogManager();
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr ||
        windowClass->lpszClassName == nullptr || !manager.className.empty())
        return 0;
    manager.windowClass = *windowClass;
    manager.className = windowClass->lpszClassName;
    return 1;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE instance,
                     LPVOID parameter) {
    DialogManager& manager = dialogManager();
    if (className == nullptr || manager.className != className) return nullptr;
    HWND window = createWindowRecord(WindowKind::TopLevel, parent);
    window->style = style;
    window->windowProc = manager.windowClass.lpfnWndProc;
    std::strncpy(window->text, windowName != nullptr ? windowName : "", windowTextRoom - 1);
    CREATESTRUCTA create = {parameter, instance, nullptr, parent, height, width, y, x,
                            static_cast<LONG>(style), windowName, className, 0};
    if (window->windowProc(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        destroyWindowRecord(window);
        return nullptr;
    }
    return window;
}

BOOL DestroyWindow(HWND window) {
    if (liveWindow(window) == nullptr) return FALSE;
    if (window->kind == WindowKind::TopLevel) window->windowProc(window, WM_DESTROY, 0, 0);
    destroyWindowRecord(window);
    return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    return liveWindow(window) != nullptr && index == 0 ? window->extra : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (liveWindow(window) == nullptr || index != 0) return 0;
    const LONG_PTR previous = window->extra;
    window->extra = value;
    return previous;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && liveWindow(window) == nullptr) return FALSE;
    dialogManager().queue.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

void PostQuitMessage(int exitCode) { PostMessageA(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

// Every message arrives through the queue or is sent directly, so an empty queue with no quit
// message would wait forever: that is reported as an error (-1), which the loop treats as the end.
BOOL GetMessageA(MSG* message, HWND, UINT, UINT) {
    auto& queue = dialogManager().queue;
    if (queue.empty()) return -1;
    *message = queue.front();
    queue.erase(queue.begin());
    return message->message == WM_QUIT ? 0 : 1;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
    HWND window = liveWindow(message->hwnd);
    if (window == nullptr) return 0;
    return SendMessageA(window, message->message, message->wParam, message->lParam);
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HGDIOBJ GetStockObject(int) { return nullptr; }
BOOL ValidateRect(HWND, const RECT*) { return TRUE; }

BOOL GetClientRect(HWND window, RECT* rect) {
    if (liveWindow(window) == nullptr || rect == nullptr) return FALSE;
    *rect = RECT{0, 0, window->cells.width, window->cells.height};
    return TRUE;
}

int FillRect(HDC, const RECT*, HBRUSH) { return 1; }
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }

void ExitProcess(UINT exitCode) { std::exit(static_cast<int>(exitCode)); }

// A character cell is the terminal's only font: text measures the cells it takes.
HDC GetDC(HWND window) { return liveWindow(window); }
int ReleaseDC(HWND, HDC) { return 1; }
HGDIOBJ SelectObject(HDC, HGDIOBJ) { return nullptr; }

BOOL GetTextExtentPoint32A(HDC, LPCSTR text, int length, SIZE* extent) {
    if (text == nullptr || length < 0 || extent == nullptr) return FALSE;
    *extent = SIZE{cellsOf(text, length), 1};
    return TRUE;
}
