#include "folder_identity.h"

#include "path_text.h"

#include <cstring>

int identifyFolder(const char* folderText, FolderIdentity* identity) {
    // Without its trailing backslash, but a drive's root keeps it: "C:" alone is another folder.
    char path[pathRoom];
    int length = appendCut(path, 0, folderText, pathLimit);
    if (length > 3 && path[length - 1] == '\\') path[--length] = '\0';
    const HANDLE folder = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return 1;
    BY_HANDLE_FILE_INFORMATION information;
    const BOOL read = GetFileInformationByHandle(folder, &information);
    CloseHandle(folder);
    if (read == 0) return 1;
    *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                 information.nFileIndexLow};
    return 0;
}
