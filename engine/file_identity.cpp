#include "file_identity.h"

#include "path_text.h"

int identifyFile(const char* path, FileIdentity* identity) {
    char text[pathRoom];
    appendCut(text, 0, path, pathLimit);
    dropTrailingBackslash(text);
    const HANDLE file = CreateFileA(text, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const int result = identifyOpenFile(file, identity);
    CloseHandle(file);
    return result;
}

int identifyOpenFile(HANDLE file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(file, &information) == 0) return 1;
    *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                 information.nFileIndexLow};
    return 0;
}
