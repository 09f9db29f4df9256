// The Win32 subset over POSIX: the file and console calls.
//
// Supplied: the KERNEL32 file calls the engine and the log writer use (directory search, opening,
// reading, writing and closing files, comparing file times, the current directory), with the types
// and constants they need, and the console calls qdlcheck makes. The window calls are the window
// system's (window_system/), which nothing below the dialogs sees.
// Left out: everything else of Win32; no wide-character calls, no overlapped I/O, no security
// attributes (the parameter exists and must be null), no template files.
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
// Identity: GetFileInformationByHandle and fileInformationByName give the device as the volume and
// the inode as the file index.
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
// the process. POSIX has no share modes: an open with share mode 0 holds an exclusive lock on the
// file itself, whatever its name, so two such opens (two runs writing one log) never go together;
// any other open takes no lock and goes with anything. A file is read without its access time
// written where the system allows it. CREATE_NEW creates
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
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
constexpr DWORD IO_REPARSE_TAG_SYMLINK = 0xA000000Cu;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD FILE_BEGIN = 0;

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
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
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
// A 64-bit offset as Windows passes it; the subset uses its whole value only.
union LARGE_INTEGER {
    std::int64_t QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;
// Moves the file's position (FILE_BEGIN only): the next read starts there.
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD moveMethod);
// Puts what was written on the disk: a file that replaces another must be whole there first.
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE object);
BOOL DeleteFileA(LPCSTR fileName);
BOOL MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags);

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
// Beyond Win32: the same of the file or folder at path, links followed, read without opening it.
BOOL fileInformationByName(LPCSTR path, BY_HANDLE_FILE_INFORMATION* information);
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
// Beyond Win32: closes the folders the file calls keep open between calls (see folder_cache.h);
// lets this thread's go, kept open for the other threads.
void releaseFolderCache();
void releaseThreadFolders();
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
