#include "last_error.h"
#include "path_map.h"
#include "system_calls.h"
#include "win32_subset.h"

#include <cerrno>
#include <cstring>
#include <limits.h>

// As on Windows: the length written on success; when the room is too small, nothing is written and
// the room needed, terminator included, is returned.
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char posixPath[PATH_MAX];
    char windowsPath[PATH_MAX + 8];
    if (sys::getcwd(posixPath, sizeof posixPath) == nullptr) {
        setLastErrorFromErrno(errno);
        return 0;
    }
    if (toWindowsPath(posixPath, windowsPath, sizeof windowsPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    const std::size_t length = std::strlen(windowsPath);
    if (length + 1 > bufferLength) return static_cast<DWORD>(length + 1);
    std::memcpy(buffer, windowsPath, length + 1);
    return static_cast<DWORD>(length);
}
