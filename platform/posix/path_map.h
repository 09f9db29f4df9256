// Windows-style paths to POSIX paths and back: "C:\" is the POSIX root, "X:\" is /mnt/x.
#pragma once

#include <cstddef>

// Writes the POSIX form of a Windows-style path; 0 on success, 1 when it does not fit in room.
int toPosixPath(const char* windowsPath, char* out, std::size_t room);

// Writes the Windows-style form of an absolute POSIX path; 0 on success, 1 when it does not fit.
int toWindowsPath(const char* posixPath, char* out, std::size_t room);
