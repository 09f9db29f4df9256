// GetOpenFileNameA and GetSaveFileNameA as a terminal dialog that browses folders.
// Paths are Windows-style throughout; folders are listed through the subset's own directory search.
#include "dialog_manager.h"
#include "file_chooser.h"
#include "platform/posix/path_map.h"
#include "platform/wildcard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <strings.h>
#include <unistd.h>

namespace {

constexpr int chooserPathRoom = 1024;

struct Chooser {
    OPENFILENAMEA* request;
    bool saving;
    char folder[chooserPathRoom];
    char pattern[chooserPathRoom];
    std::vector<std::string> entries;  // folders end in a backslash
};

// Paths longer than the chooser's room are cut; the file record's own limit is checked on delivery.
void copyCut(char* out, const std::string& text) {
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(chooserPathRoom - 1));
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

Chooser* chooserOf(HWND dialog) { return reinterpret_cast<Chooser*>(GetWindowLongPtrA(dialog, 0)); }

// Makes a path absolute the way GetFullPathNameA does, "." and ".." resolved and doubled
// backslashes dropped ("C:\a\..\b" is "C:\b"; "\home\me" is "C:\home\me"), without a trailing
// backslash but for a drive's root.
void normalise(char* path) {
    char full[chooserPathRoom];
    const DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return;
    if (length > 3 && full[length - 1] == '\\') full[length - 1] = '\0';
    std::strcpy(path, full);
}

// 1 for a folder, 0 for anything else that exists, -1 when nothing is there.
int entryKind(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 1 : 0;
}

void joinPath(const char* folder, const char* name, char* out) {
    const std::size_t length = std::strlen(folder);
    const bool separated = length > 0 && folder[length - 1] == '\\';
    copyCut(out, std::string(folder) + (separated ? "" : "\\") + name);
}

bool isRoot(const char* folder) { return std::strlen(folder) <= 3; }

void listFolder(HWND dialog, Chooser& chooser) {
    chooser.entries.clear();
    char search[chooserPathRoom];
    joinPath(chooser.folder, "*", search);
    WIN32_FIND_DATAA found;
    HANDLE handle = FindFirstFileA(search, &found);
    std::vector<std::string> files;
    if (handle != INVALID_HANDLE_VALUE) {
        do {
            const char* name = found.cFileName;
            if (std::strcmp(name, ".") == 0 || (std::strcmp(name, "..") == 0 && isRoot(chooser.folder)))
                continue;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                chooser.entries.push_back(std::string(name) + "\\");
            else if (matchesWildcard(chooser.pattern, name))
                files.emplace_back(name);
        } while (FindNextFileA(handle, &found));
        FindClose(handle);
    }
    // Folders by their names, without the backslash that marks them: "apt\\" before "apt-x\\".
    const auto byName = [](const std::string& a, const std::string& b) {
        const std::size_t aLength = a.size() - (a.back() == '\\' ? 1 : 0);
        const std::size_t bLength = b.size() - (b.back() == '\\' ? 1 : 0);
        const int order = strncasecmp(a.c_str(), b.c_str(), std::min(aLength, bLength));
        return order != 0 ? order < 0 : aLength < bLength;
    };
    std::sort(chooser.entries.begin(), chooser.entries.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    chooser.entries.insert(chooser.entries.end(), files.begin(), files.end());
    SendDlgItemMessageA(dialog, IDC_CHOOSER_ENTRIES, LB_RESETCONTENT, 0, 0);
    for (const std::string& entry : chooser.entries)
        SendDlgItemMessageA(dialog, IDC_CHOOSER_ENTRIES, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SetDlgItemTextA(dialog, IDC_CHOOSER_FOLDER, chooser.folder);
}

void enterFolder(HWND dialog, Chooser& chooser, const char* folder) {
    copyCut(chooser.folder, folder);
    normalise(chooser.folder);
    listFolder(dialog, chooser);
}

// The path typed, made absolute against the folder shown.
void typedPath(const Chooser& chooser, const char* name, char* out) {
    if (name[0] != '\0' && name[1] == ':')
        copyCut(out, name);
    else if (name[0] == '\\')
        copyCut(out, std::string(chooser.folder, 2) + name);
    else
        joinPath(chooser.folder, name, out);
    normalise(out);
}

void complain(HWND dialog, const char* path, const char* what) {
    char text[chooserPathRoom];
    copyCut(text, std::string(path) + "\n" + what);
    MessageBoxA(dialog, text, chooserOf(dialog)->saving ? "Save As" : "Open", MB_OK);
}

// Hands the chosen path back as the system's dialog does, and makes its folder current.
bool deliver(HWND dialog, Chooser& chooser, const char* path) {
    OPENFILENAMEA& request = *chooser.request;
    const std::size_t length = std::strlen(path);
    if (request.lpstrFile == nullptr || length + 1 > request.nMaxFile) {
        complain(dialog, path, "The file name is too long.");
        return false;
    }
    std::memcpy(request.lpstrFile, path, length + 1);
    const char* name = std::strrchr(path, '\\') + 1;
    request.nFileOffset = static_cast<WORD>(name - path);
    const char* dot = std::strrchr(name, '.');
    request.nFileExtension = static_cast<WORD>(dot != nullptr ? dot + 1 - path : length);
    if (request.lpstrFileTitle != nullptr && request.nMaxFileTitle > 0)
        std::snprintf(request.lpstrFileTitle, request.nMaxFileTitle, "%.*s",
                      static_cast<int>(request.nMaxFileTitle - 1), name);
    char folder[chooserPathRoom];
    char posixFolder[PATH_MAX];
    copyCut(folder, std::string(path, name - path));
    if (toPosixPath(folder, posixFolder, sizeof posixFolder) == 0 && chdir(posixFolder) != 0) {
        // The choice stands even when its folder cannot become the current one.
    }
    return true;
}

void accept(HWND dialog, Chooser& chooser) {
    const int selected = static_cast<int>(SendDlgItemMessageA(dialog, IDC_CHOOSER_ENTRIES, LB_GETCURSEL, 0, 0));
    const bool onFolder = selected >= 0 && chooser.entries[selected].back() == '\\';
    char name[chooserPathRoom];
    GetDlgItemTextA(dialog, IDC_CHOOSER_NAME, name, sizeof name);
    char path[chooserPathRoom];
    if (GetFocus() == GetDlgItem(dialog, IDC_CHOOSER_ENTRIES) && onFolder) {
        joinPath(chooser.folder, chooser.entries[selected].c_str(), path);
        enterFolder(dialog, chooser, path);
        return;
    }
    if (name[0] == '\0') return;
    typedPath(chooser, name, path);
    const int kind = entryKind(path);
    if (kind == 1) {
        enterFolder(dialog, chooser, path);
        SetDlgItemTextA(dialog, IDC_CHOOSER_NAME, "");
        return;
    }
    char folder[chooserPathRoom];
    copyCut(folder, path);
    *std::strrchr(folder, '\\') = '\0';
    if (folder[2] == '\0') std::strcat(folder, "\\");
    const DWORD flags = chooser.request->Flags;
    if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) != 0 && entryKind(folder) != 1) {
        complain(dialog, path, "Path does not exist.\nCheck the path and try again.");
        return;
    }
    if ((flags & OFN_FILEMUSTEXIST) != 0 && kind == -1) {
        complain(dialog, path, "File not found.\nCheck the file name and try again.");
        return;
    }
    if (chooser.saving && (flags & OFN_OVERWRITEPROMPT) != 0 && kind == 0) {
        char question[chooserPathRoom];
        copyCut(question, std::string(path) + " already exists.\nDo you want to replace it?");
        if (MessageBoxA(dialog, question, "Confirm Save As", MB_YESNO) != IDYES) return;
    }
    if (deliver(dialog, chooser, path)) EndDialog(dialog, 1);
}

void onSelectionChange(HWND dialog, Chooser& chooser) {
    const int selected = static_cast<int>(SendDlgItemMessageA(dialog, IDC_CHOOSER_ENTRIES, LB_GETCURSEL, 0, 0));
    if (selected >= 0 && chooser.entries[selected].back() != '\\')
        SetDlgItemTextA(dialog, IDC_CHOOSER_NAME, chooser.entries[selected].c_str());
}

// The folder of the request, typed in any form, or the nearest above it that exists; else the
// current folder.
void startFolder(Chooser& chooser) {
    const char* initial = chooser.request->lpstrInitialDir;
    if (initial != nullptr && initial[0] != '\0') {
        copyCut(chooser.folder, initial);
        normalise(chooser.folder);
        while (!isRoot(chooser.folder) && entryKind(chooser.folder) != 1) {
            char* last = std::strrchr(chooser.folder, '\\');
            if (last == nullptr) break;
            last[last - chooser.folder == 2 ? 1 : 0] = '\0';
        }
        if (entryKind(chooser.folder) == 1 || isRoot(chooser.folder)) return;
    }
    const DWORD length = GetCurrentDirectoryA(chooserPathRoom, chooser.folder);
    if (length == 0 || length >= chooserPathRoom) std::strcpy(chooser.folder, "C:\\");
}

INT_PTR CALLBACK chooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        Chooser& chooser = *reinterpret_cast<Chooser*>(lParam);
        SetWindowLongPtrA(dialog, 0, lParam);
        const char* filter = chooser.request->lpstrFilter != nullptr ? chooser.request->lpstrFilter : "\0*.*\0";
        SetDlgItemTextA(dialog, IDC_CHOOSER_FILTER, filter);
        copyCut(chooser.pattern, filter + std::strlen(filter) + 1);
        if (chooser.pattern[0] == '\0') std::strcpy(chooser.pattern, "*");
        startFolder(chooser);
        listFolder(dialog, chooser);
        const char* initialName = chooser.request->lpstrFile;
        SetDlgItemTextA(dialog, IDC_CHOOSER_NAME, initialName != nullptr ? initialName : "");
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_CHOOSER_NAME)), TRUE);
        return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    Chooser& chooser = *chooserOf(dialog);
    switch (LOWORD(wParam)) {
    case IDOK:
        accept(dialog, chooser);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_CHOOSER_ENTRIES:
        if (HIWORD(wParam) == LBN_SELCHANGE) onSelectionChange(dialog, chooser);
        return TRUE;
    }
    return FALSE;
}

DialogTemplate chooserTemplate(bool saving) {
    DialogTemplate dialog = {};
    dialog.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    std::strcpy(dialog.caption, saving ? "Save As" : "Open");
    dialog.cx = 240;
    dialog.cy = 168;
    addControl(dialog, "Look in:", -1, "STATIC", SS_LEFT, 4, 4, 36, 8);
    addControl(dialog, "", IDC_CHOOSER_FOLDER, "EDIT", ES_READONLY, 40, 4, 196, 8);
    addControl(dialog, "File &name:", -1, "STATIC", SS_LEFT, 4, 120, 56, 8);
    addControl(dialog, "", IDC_CHOOSER_NAME, "EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 64, 120, 172, 8);
    addControl(dialog, "Files of type:", -1, "STATIC", SS_LEFT, 4, 136, 56, 8);
    addControl(dialog, "", IDC_CHOOSER_FILTER, "STATIC", SS_LEFT, 64, 136, 172, 8);
    addControl(dialog, "", IDC_CHOOSER_ENTRIES, "LISTBOX", LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 4, 16, 232, 96);
    addControl(dialog, saving ? "&Save" : "&Open", IDOK, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 124, 152, 52, 8);
    addControl(dialog, "Cancel", IDCANCEL, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 184, 152, 52, 8);
    return dialog;
}

BOOL runChooser(OPENFILENAMEA* request, bool saving) {
    if (request == nullptr || request->lpstrFile == nullptr) return FALSE;
    Chooser chooser = {request, saving, "", "", {}};
    const DialogTemplate dialog = chooserTemplate(saving);
    return runModalDialog(dialog, request->hwndOwner, chooserProc, reinterpret_cast<LPARAM>(&chooser)) == 1;
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* request) { return runChooser(request, false); }
BOOL GetSaveFileNameA(OPENFILENAMEA* request) { return runChooser(request, true); }
