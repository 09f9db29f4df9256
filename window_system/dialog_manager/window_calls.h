// The window calls of the Win32 subset over POSIX: the USER32, GDI32, COMCTL32, COMDLG32 and
// SHELL32 calls the dialogs make, over the dialog manager (dialogs from the application's dialog
// script, shown in a terminal or driven by a test script). One thread owns every window; a
// character cell is 4 dialog units across and 8 down, and a "pixel" is one column.
#pragma once

#include "platform/posix/win32_subset.h"

#include <cstdint>

struct HWND__;
struct HINSTANCE__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMENU = void*;
using HICON = void*;
using HCURSOR = void*;
using HBRUSH = void*;
using HDC = void*;
using HGDIOBJ = void*;
using ATOM = WORD;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

#define LOWORD(value) (static_cast<WORD>(static_cast<UINT_PTR>(value) & 0xFFFF))
#define HIWORD(value) (static_cast<WORD>((static_cast<UINT_PTR>(value) >> 16) & 0xFFFF))
#define MAKEWPARAM(low, high) \
    (static_cast<WPARAM>((static_cast<DWORD>(static_cast<WORD>(high)) << 16) | static_cast<WORD>(low)))
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(name) ((reinterpret_cast<UINT_PTR>(name) >> 16) == 0)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define CW_USEDEFAULT (static_cast<int>(0x80000000u))

struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};
struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPVOID lpfnHook;
    LPCSTR lpTemplateName;
};
#define OPENFILENAME_SIZE_VERSION_400A (sizeof(OPENFILENAMEA))

// Messages
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
constexpr UINT PBM_SETPOS = 0x0402;
constexpr UINT PBM_GETPOS = 0x0408;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD BN_CLICKED = 0;
constexpr WORD LBN_SELCHANGE = 1;
constexpr LRESULT LB_ERR = -1;

// Control identifiers, results and flags
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
constexpr int SW_SHOWNORMAL = 1;
constexpr UINT CS_VREDRAW = 0x1;
constexpr UINT CS_HREDRAW = 0x2;
constexpr int WHITE_BRUSH = 0;
constexpr DWORD ICC_PROGRESS_CLASS = 0x20;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_SHOWHELP = 0x10;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;

// Window, dialog and control styles (the names quendle.rc uses)
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_HSCROLL = 0x00100000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x1;
constexpr DWORD WS_EX_APPWINDOW = 0x40000;
constexpr DWORD DS_SYSMODAL = 0x2;
constexpr DWORD DS_3DLOOK = 0x4;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD ES_LEFT = 0x0;
constexpr DWORD ES_RIGHT = 0x2;
constexpr DWORD ES_AUTOVSCROLL = 0x40;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD ES_OEMCONVERT = 0x400;
constexpr DWORD ES_READONLY = 0x800;
constexpr DWORD ES_NUMBER = 0x2000;
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_RIGHT = 0x2;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_REALSIZEIMAGE = 0x800;
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_CENTER = 0x300;
constexpr DWORD LBS_NOTIFY = 0x1;
constexpr DWORD LBS_NOSEL = 0x4000;

// The main window and the message queue
ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
BOOL DestroyWindow(HWND window);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
BOOL GetMessageA(MSG* message, HWND window, UINT first, UINT last);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageA(const MSG* message);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int object);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
int FillRect(HDC context, const RECT* rect, HBRUSH brush);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
[[noreturn]] void ExitProcess(UINT exitCode);

// Dialogs and controls
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM parameter);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int controlId);
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR text, int room);
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageA(HWND dialog, int controlId, UINT message, WPARAM wParam, LPARAM lParam);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
HWND GetFocus();
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkedId);
UINT IsDlgButtonChecked(HWND dialog, int buttonId);
UINT_PTR SetTimer(HWND window, UINT_PTR timerId, UINT milliseconds, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR timerId);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Text measure: one column per character
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC context);
HGDIOBJ SelectObject(HDC context, HGDIOBJ object);
BOOL GetTextExtentPoint32A(HDC context, LPCSTR text, int length, SIZE* extent);

// The file choosers and opening a document
BOOL GetOpenFileNameA(OPENFILENAMEA* request);
BOOL GetSaveFileNameA(OPENFILENAMEA* request);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int show);

// The program's entry point, which the program itself supplies.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int show);
