#include "save_log_file.h"

#include "engine/path_text.h"
#include "log_text/log_file.h"
#include "program/file_request.h"

#include <cstring>

namespace {

// 0 with the chosen path in fileName; the dialog leaves the current directory at its folder.
int askForLogName(HWND owner, char* fileName) {
    char fileTitle[pathRoom];
    char initialFolder[pathRoom];
    // A current directory that does not fit leaves the buffer untouched: start from nowhere then.
    const DWORD length = GetCurrentDirectoryA(pathRoom, initialFolder);
    if (length == 0 || length >= pathRoom) initialFolder[0] = '\0';
    std::memcpy(fileName, "QDL_Log.txt", 12);
    OPENFILENAMEA request =
        fileRequest(owner, "Log file(*.txt)\0*.txt\0", fileName, fileTitle, initialFolder,
                    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_PATHMUSTEXIST);
    return GetSaveFileNameA(&request) != 0 ? 0 : 1;
}

}  // namespace

void saveLogFile(HWND owner) {
    char fileName[pathRoom];
    if (askForLogName(owner, fileName) != 0) return;
    HANDLE file = CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        MessageBoxA(owner, "File Creation Error.", "Error", MB_OK);
        return;
    }
    const int failed = writeLogFile(*currentJob, file);
    CloseHandle(file);
    // A cut log must not pass for a saved one.
    if (failed != 0) MessageBoxA(owner, "File Write Error.", "Error", MB_OK);
}
