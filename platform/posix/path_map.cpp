#include "path_map.h"

#include <cctype>
#include <cstring>

namespace {

bool isDriveLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

// Appends text to out at *length, turning each separator `from` into `to`.
int appendConverted(const char* text, char from, char to, char* out, std::size_t room,
                    std::size_t* length) {
    for (; *text != '\0'; ++text) {
        if (*length + 1 >= room) return 1;
        out[(*length)++] = *text == from ? to : *text;
    }
    out[*length] = '\0';
    return 0;
}

}  // namespace

int toPosixPath(const char* windowsPath, char* out, std::size_t room) {
    if (room == 0) return 1;
    std::size_t length = 0;
    out[0] = '\0';
    const char* rest = windowsPath;
    if (isDriveLetter(windowsPath[0]) && windowsPath[1] == ':') {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
        const char mountPoint[] = {'/', 'm', 'n', 't', '/', drive, '\0'};
        if (drive != 'c' && appendConverted(mountPoint, '\\', '/', out, room, &length) != 0) return 1;
        rest = windowsPath + 2;
        // "D:" and "D:dst" both mean the drive's root; there is no per-drive current folder here.
        if (*rest != '\\' && appendConverted("/", '\\', '/', out, room, &length) != 0) return 1;
    }
    return appendConverted(rest, '\\', '/', out, room, &length);
}

int toWindowsPath(const char* posixPath, char* out, std::size_t room) {
    std::size_t length = 0;
    char drive[4] = {'C', ':', '\0', '\0'};
    const char* rest = posixPath;
    if (std::strncmp(posixPath, "/mnt/", 5) == 0 && isDriveLetter(posixPath[5]) &&
        (posixPath[6] == '/' || posixPath[6] == '\0')) {
        drive[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(posixPath[5])));
        rest = posixPath + 6;
    }
    if (room < 4) return 1;
    if (appendConverted(drive, '/', '\\', out, room, &length) != 0) return 1;
    if (*rest == '\0') rest = "/";
    return appendConverted(rest, '/', '\\', out, room, &length);
}
