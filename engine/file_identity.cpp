#include "file_identity.h"

#include "path_text.h"

int identifyFile(const char* path, FileIdentity* identity) {
    char text[pathRoom];
    appendCut(text, 0, path, pathLimit);
    dropTrailingBackslash(text);
    BY_HANDLE_FILE_INFORMATION information;
    if (fileInformationByName(text, &information) == 0) return 1;
    *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                 information.nFileIndexLow};
    return 0;
}

int identifyOpenFile(HANDLE file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(file, &information) == 0) return 1;
    *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                 information.nFileIndexLow};
    return 0;
}
