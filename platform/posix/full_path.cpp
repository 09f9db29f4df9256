// GetFullPathNameA: a path typed in either form, made absolute in the Windows form.
#include "win32_subset.h"

#include <cstring>

namespace {

// Drops "." levels and, with the level before it, each ".." level; never above the root "X:\".
void collapseDotLevels(char* path) {
    char* out = path + 3;
    const char* in = path + 3;
    while (*in != '\0') {
        const char* end = std::strchr(in, '\\');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - in) : std::strlen(in);
        const bool dot = length == 1 && in[0] == '.';
        if (length == 2 && in[0] == '.' && in[1] == '.') {
            if (out > path + 3) --out;
            while (out > path + 3 && out[-1] != '\\') --out;
        } else if (length > 0 && !dot) {
            std::memmove(out, in, length);
            out += length;
            if (end != nullptr) *out++ = '\\';
        }
        in += length + (end != nullptr ? 1 : 0);
    }
    *out = '\0';
}

}  // namespace

// As on Windows: the length written, or the room needed (terminator included) when it does not fit.
DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    char typed[4096];
    char full[8192];
    const std::size_t typedLength = std::strlen(fileName);
    if (typedLength == 0 || typedLength >= sizeof typed) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    for (std::size_t i = 0; i <= typedLength; ++i) typed[i] = fileName[i] == '/' ? '\\' : fileName[i];
    const bool drive = typed[1] == ':';
    if (drive && typed[2] == '\\') {
        std::strcpy(full, typed);
    } else {
        char current[4096];
        const DWORD length = GetCurrentDirectoryA(sizeof current, current);
        if (length == 0 || length >= sizeof current) return 0;
        if (drive) {  // "D:dst": there is no per-drive folder here, so the drive's root
            const char root[] = {typed[0], ':', '\\', '\0'};
            std::strcpy(full, root);
            std::strcat(full, typed + 2);
        } else if (typed[0] == '\\') {
            std::memcpy(full, current, 2);
            std::strcpy(full + 2, typed);
        } else {
            std::strcpy(full, current);
            if (full[length - 1] != '\\') std::strcat(full, "\\");
            std::strcat(full, typed);
        }
    }
    collapseDotLevels(full);
    const std::size_t length = std::strlen(full);
    if (length + 1 > bufferLength) return static_cast<DWORD>(length + 1);
    std::memcpy(buffer, full, length + 1);
    if (filePart != nullptr) {
        char* last = std::strrchr(buffer, '\\');
        *filePart = last != nullptr && last[1] != '\0' ? last + 1 : nullptr;
    }
    return static_cast<DWORD>(length);
}
