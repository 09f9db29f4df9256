// The Win32 subset over POSIX.
//
// Supplied: the KERNEL32 file calls the engine and the log writer use (directory search, opening,
// reading, writing and closing files, comparing file times, the current directory), with the types
// and constants they need; and the USER32, GDI32, COMCTL32, COMDLG32 and SHELL32 calls the dialogs
// make, over the dialog manager of platform/posix/dialogs (dialogs from resources/quendle.rc, shown
// in a terminal or driven by a test script).
// Left out: everything else of Win32; no wide-character calls, no overlapped I/O, no security
// attributes (the parameter exists and must be null), no template files; one thread owns every
// window; a character cell is 4 dialog units across and 8 down, and a "pixel" is one column.
//
// Errors: the file calls set the thread's last-error value as Windows does, from the POSIX errno:
// a missing entry is ERROR_FILE_NOT_FOUND (ERROR_PATH_NOT_FOUND when a folder on the way is missing),
// a search with no match ERROR_FILE_NOT_FOUND, the end of a listing ERROR_NO_MORE_FILES, a refused
// access ERROR_ACCESS_DENIED.
// Console and process: the program's own path, the standard handles, whether one is a terminal and
// its width, the console control handler (Ctrl-C from SIGINT, a closed terminal from SIGHUP, the
// end of the session from SIGTERM; a write to a closed pipe fails with EPIPE), full paths resolved
// against the current directory ("/" is taken as a separator, as Windows does), and the code
// pages, which are UTF-8 and stay so.
// Folder identity: CreateFileA with access 0 and FILE_FLAG_BACKUP_SEMANTICS opens a file or a folder
// for GetFileInformationByHandle only (the volume is the device, the file index the inode).
//
// Paths are Windows-style: "C:\" is the POSIX root, any other drive "X:\" is /mnt/x, a backslash is a
// "/". Directory searches match "*" and "?" as Windows does (letter case ignored, "*.*" matches every
// name) and list "." and ".." first, then the names in one stable order, letter case ignored as NTFS
// lists them. A FIFO, socket or device is listed with FILE_ATTRIBUTE_DEVICE; an entry that is (or
// may be) a link has dwReserved0 set to IO_REPARSE_TAG_SYMLINK. A link is described by what it
// leads to; one that cannot be followed (dangling, a loop) as Windows describes every link, by
// itself: FILE_ATTRIBUTE_REPARSE_POINT, size 0, with the error following it met in dwReserved1. Only regular files open for reading
// or writing; the type is checked before the open, so a FIFO or a device is never opened, except for
// a read with FILE_FLAG_SEQUENTIAL_SCAN, which names a file its caller has just listed as a plain
// file: it opens without its type read again, follows no link (a name made a link since the listing
// opens nothing), and cannot block should a FIFO have been put in its place. A write past the file-size limit fails instead of ending
// the process. An open with share mode 0 holds an exclusive lock, any other open a shared one, on
// the file itself, whatever its name: opens that share reading (FILE_SHARE_READ) go together, in
// this process or another, and neither kind goes with a share-mode-0 open. CREATE_NEW creates
// the file and fails if anything is there already, a link included; MoveFileExA with
// MOVEFILE_REPLACE_EXISTING replaces the target in one step.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using BOOL = int;
using HANDLE = void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;

#define WINAPI
#define CALLBACK
#define QUENDLE_EXPORT
// What a user of this platform types and reads between the levels of a path.
#define QUENDLE_PATH_SEPARATOR '/'
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000u;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
constexpr DWORD IO_REPARSE_TAG_SYMLINK = 0xA000000Cu;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x40;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD FILE_ATTRIBUTE_COMPRESSED = 0x800;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_NO_DATA = 232;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;
struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPOVERLAPPED = OVERLAPPED*;
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE search);

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE object);
BOOL DeleteFileA(LPCSTR fileName);
BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags);

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);
DWORD GetLastError();
// Beyond Win32: the listing calls as the engine makes them. POSIX names are bytes, listed as they
// are; one may hold "*", "?" or "\\" of its own.
inline HANDLE findFirstEntry(LPCSTR path, LPWIN32_FIND_DATAA data) {
    return FindFirstFileA(path, data);
}
inline BOOL findNextEntry(HANDLE search, LPWIN32_FIND_DATAA data) {
    return FindNextFileA(search, data);
}
constexpr bool namesHoldWildcards = true;
// Beyond Win32: the target text of the link at path, into target (room bytes, terminator
// included); its length, or 0 with the last error set (ERROR_FILENAME_EXCED_RANGE when it does not
// fit).
DWORD readLinkTarget(LPCSTR linkPath, LPSTR target, DWORD room);
// Beyond Win32: closes the folders the file calls keep open between calls (see folder_cache.h).
void releaseFolderCache();
// Beyond Win32: raises the soft limit on open descriptors to the hard one; the descriptors the
// process may then hold (at most a million).
int raiseOpenFileLimit();
void SetLastError(DWORD error);
// Beyond Win32: the system's own number for the error behind GetLastError (errno here), 0 when the
// layer refused by itself, with no system call failing; and that error's text.
int lastSystemError();
void systemErrorText(int error, char* text, int room);
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);

// ---- Console ------------------------------------------------------------------------------
constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);
constexpr DWORD CTRL_C_EVENT = 0;
constexpr DWORD CTRL_BREAK_EVENT = 1;
constexpr DWORD CTRL_CLOSE_EVENT = 2;
constexpr DWORD CTRL_SHUTDOWN_EVENT = 6;
using SHORT = std::int16_t;
struct COORD {
    SHORT X;
    SHORT Y;
};
struct SMALL_RECT {
    SHORT Left;
    SHORT Top;
    SHORT Right;
    SHORT Bottom;
};
struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};
using PHANDLER_ROUTINE = BOOL (*)(DWORD controlType);
using HMODULE = void*;
HANDLE GetStdHandle(DWORD which);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD room);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* information);
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
UINT GetACP();
UINT GetConsoleOutputCP();
BOOL SetConsoleOutputCP(UINT codePage);

// ---- Windows and dialogs -------------------------------------------------------------------

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
