// Which file or folder a path names, whatever links lead there: a link back to a folder above must
// not be entered again, and the run's own files are known however they are reached.
#pragma once

#include "platform/win32.h"

struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

// 0 with the identity of what the path names (links followed, a trailing backslash ignored); 1 when
// it cannot be read.
[[nodiscard]] int identifyFile(const char* path, FileIdentity* identity);
// The identity of an open file: 0, or 1 when it cannot be read.
[[nodiscard]] int identifyOpenFile(HANDLE file, FileIdentity* identity);

inline bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}
