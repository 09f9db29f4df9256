#include "file_request.h"

#include "engine/path_text.h"

OPENFILENAMEA fileRequest(HWND owner, const char* filter, char* fileName, char* fileTitle,
                          const char* initialFolder, DWORD flags) {
    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = fileName;
    request.nMaxFile = pathRoom;
    request.lpstrFileTitle = fileTitle;
    request.nMaxFileTitle = pathRoom;
    request.lpstrInitialDir = initialFolder;
    request.Flags = flags;
    return request;
}
