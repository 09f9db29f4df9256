// Which folder a folder text names, whatever links lead there: a link back to a folder above
// must not be entered again.
#pragma once

#include "platform/win32.h"

struct FolderIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

// 0 with the identity of the folder (links followed); 1 when it cannot be read.
[[nodiscard]] int identifyFolder(const char* folderText, FolderIdentity* identity);

inline bool sameFolder(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}
