#include "folder_identity.h"

#include "path_text.h"

int identifyFolder(const char* folderText, FolderIdentity* identity) {
    char path[pathRoom];
    appendCut(path, 0, folderText, pathLimit);
    dropTrailingBackslash(path);
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
