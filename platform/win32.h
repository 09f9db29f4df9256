// The one door to the file system and the console: the Win32 subset that Quendle's code is
// written against. On Windows it is the system itself; elsewhere platform/posix supplies the same
// declarations. The window calls are window_system/win32_windows.h's.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The window procedure is listed in the program's export table.
#define QUENDLE_EXPORT __declspec(dllexport)
// What a user of this platform types and reads between the levels of a path.
#define QUENDLE_PATH_SEPARATOR '\\'
// The POSIX layer keeps folders open between calls; Windows keeps nothing to release.
inline void releaseFolderCache() {}
inline void releaseThreadFolders() {}
// Beyond Win32: FindFirstFileA and FindNextFileA whose names are never another entry's: listed
// wide and given in the program's code page exactly, or with "?" for each character it cannot
// carry (platform/windows/exact_names.cpp).
HANDLE findFirstEntry(LPCSTR path, WIN32_FIND_DATAA* data);
BOOL findNextEntry(HANDLE search, WIN32_FIND_DATAA* data);
// No Windows name holds "*", "?" or "\": a listed name with one was not carried exactly.
constexpr bool namesHoldWildcards = false;
// The system's own number for an error is Windows' own; its text comes from the system.
inline int lastSystemError() {
    return static_cast<int>(GetLastError());
}
void systemErrorText(int error, char* text, int room);
// A link's target text is read where the POSIX layer can; Windows links are followed as the system
// follows them.
inline DWORD readLinkTarget(LPCSTR, LPSTR, DWORD) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}
// Beyond Win32: what GetFileInformationByHandle tells of the file or folder at path, links followed.
inline BOOL fileInformationByName(LPCSTR path, BY_HANDLE_FILE_INFORMATION* information) {
    const HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const BOOL known = GetFileInformationByHandle(file, information);
    CloseHandle(file);
    return known;
}
// Windows has no per-process descriptor limit to raise: handles run to the millions.
inline int raiseOpenFileLimit() {
    return 1 << 20;
}
#else
#include "posix/win32_subset.h"
#endif
