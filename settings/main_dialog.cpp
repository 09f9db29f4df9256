#include "main_dialog.h"

#include "engine/find_record.h"
#include "engine/path_text.h"
#include "engine/qdl_core.h"
#include "program/app_settings.h"
#include "program/file_request.h"
#include "program/help_command.h"
#include "program/identity.h"
#include "resources/resource_ids.h"
#include "results/comparing_result_dialog.h"
#include "settings/about_dialog.h"

#include <cstring>

std::uint8_t emptyFieldMask = 3;

namespace {

constexpr int stopButtons[] = {IDC_STOP_BY_NOTICES, IDC_STOP_BY_ERRORS, IDC_STOP_BY_FATAL_ERRORS,
                               IDC_IGNORE_ANY_ERRORS};
// Disabled together while either edit is empty.
constexpr int compareButtons[] = {IDC_ALL_FILES, IDC_ALL_SUB_DIRS, IDOK};
constexpr int patternLength = 3;
// Past this position the pattern and its terminator would not fit into 259 characters.
constexpr int lastPatternBackslash = pathLimit - patternLength - 1;

void readSpecification(HWND dialog, int editId, char* text) {
    GetDlgItemTextA(dialog, editId, text, pathRoom);
}

// A text without a wildcard that names an existing folder, as the job would read it, typed
// without the backslash that would make it one.
bool namesFolder(const char* text) {
    const std::size_t length = std::strlen(text);
    if (length == 0 || text[length - 1] == '\\' || hasWildcard(text)) return false;
    char path[pathRoom];
    FindRecord record;
    return normaliseSpecification(text, path) == 0 && lookUp(path, &record) == Presence::Found &&
           isDirectory(record);
}

// Puts "\" and pattern behind a folder's text: 0, or 1 when that would not fit.
int appendPattern(char* text, const char* pattern) {
    const int length = static_cast<int>(std::strlen(text));
    if (length > lastPatternBackslash) return 1;
    text[length] = '\\';
    std::memcpy(text + length + 1, pattern, patternLength + 1);
    return 0;
}

// A source typed as a folder means its tree, as a folder does on qdlcheck's command line; the
// destination follows unless it holds a pattern of its own. Both edits show what is compared.
void takeFolderAsTree(HWND dialog, char* source, char* destination) {
    if (!namesFolder(source)) return;
    char tree[pathRoom];
    char copy[pathRoom];
    std::memcpy(tree, source, pathRoom);
    std::memcpy(copy, destination, pathRoom);
    const std::size_t copyLength = std::strlen(copy);
    if (appendPattern(tree, "*\\*") != 0) return;
    if (!hasWildcard(copy)) {
        if (copyLength > 0 && copy[copyLength - 1] == '\\') copy[copyLength - 1] = '\0';
        if (appendPattern(copy, "*\\*") != 0) return;
    }
    std::memcpy(source, tree, pathRoom);
    std::memcpy(destination, copy, pathRoom);
    SetDlgItemTextA(dialog, IDC_SOURCE_SPEC, source);
    SetDlgItemTextA(dialog, IDC_DESTINATION_SPEC, destination);
}

INT_PTR compare(HWND dialog) {
    readSpecification(dialog, IDC_SOURCE_SPEC, appSettings.sourceSpec);
    readSpecification(dialog, IDC_DESTINATION_SPEC, appSettings.destinationSpec);
    takeFolderAsTree(dialog, appSettings.sourceSpec, appSettings.destinationSpec);
    for (int level = 0; level < 4; ++level) {
        if (IsDlgButtonChecked(dialog, stopButtons[level]) == BST_CHECKED) {
            appSettings.stopLevel = static_cast<StopLevel>(level);
            break;
        }
    }
    return DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_COMPARING_RESULT), dialog,
                           ComparingResultDialog, 0) == -1;
}

// 0 with the pattern written behind the folder part of text (the whole text when it names a folder);
// 1 when it would not fit.
int insertPattern(char* text, const char* pattern) {
    if (namesFolder(text)) return appendPattern(text, pattern);
    const int cut = lastBackslashBeforeWildcard(text, pathRoom);
    if (cut > lastPatternBackslash) return 1;
    std::memcpy(text + cut + 1, pattern, patternLength + 1);
    return 0;
}

INT_PTR showAbout(HWND dialog) {
    return DialogBoxParamA(instanceHandle, MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDialog, 0) ==
           -1;
}

}  // namespace

void browseForFile(HWND dialog, int editId) {
    char folder[pathRoom];
    readSpecification(dialog, editId, folder);
    const int cut = lastBackslashBeforeWildcard(folder, pathRoom);
    if (cut == -1) {
        if (GetCurrentDirectoryA(pathRoom, folder) == 0) folder[0] = '\0';
    } else {
        folder[cut] = '\0';
    }
    char fileName[pathRoom] = "";
    char fileTitle[pathRoom];
    OPENFILENAMEA request = fileRequest(dialog, "(*.*)\0*.*\0", fileName, fileTitle, folder,
                                        OFN_SHOWHELP | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    if (GetOpenFileNameA(&request) != 0) SetDlgItemTextA(dialog, editId, fileName);
}

void applyPattern(HWND dialog, const char* pattern) {
    char source[pathRoom];
    char destination[pathRoom];
    readSpecification(dialog, IDC_SOURCE_SPEC, source);
    if (insertPattern(source, pattern) != 0) return;
    readSpecification(dialog, IDC_DESTINATION_SPEC, destination);
    if (insertPattern(destination, pattern) != 0) return;
    SetDlgItemTextA(dialog, IDC_SOURCE_SPEC, source);
    SetDlgItemTextA(dialog, IDC_DESTINATION_SPEC, destination);
}

void updateCompareButtons(HWND dialog, int editId, std::uint8_t emptyBit) {
    const std::uint8_t before = emptyFieldMask;
    char text[pathRoom];
    readSpecification(dialog, editId, text);
    if (text[0] == '\0')
        emptyFieldMask |= emptyBit;
    else
        emptyFieldMask &= static_cast<std::uint8_t>(~emptyBit);
    BOOL enable;
    if (before == 0 && emptyFieldMask != 0)
        enable = FALSE;
    else if (before != 0 && emptyFieldMask == 0)
        enable = TRUE;
    else
        return;
    for (int button : compareButtons)
        EnableWindow(GetDlgItem(dialog, button), enable);
}

INT_PTR CALLBACK MainDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CheckRadioButton(dialog, IDC_STOP_BY_NOTICES, IDC_IGNORE_ANY_ERRORS, IDC_STOP_BY_ERRORS);
        CheckRadioButton(dialog, IDC_RETRY_NONE, IDC_RETRY_4, IDC_RETRY_NONE);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            return compare(dialog);
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_HELP_BUTTON:
            runHelpCommand();
            return FALSE;
        case IDC_BROWSE_SOURCE:
            browseForFile(dialog, IDC_SOURCE_SPEC);
            return FALSE;
        case IDC_BROWSE_DESTINATION:
            browseForFile(dialog, IDC_DESTINATION_SPEC);
            return FALSE;
        case IDC_ALL_FILES:
            applyPattern(dialog, "*.*");
            return FALSE;
        case IDC_ALL_SUB_DIRS:
            applyPattern(dialog, "*\\*");
            return FALSE;
        case IDC_ABOUT:
            return showAbout(dialog);
        case IDC_SOURCE_SPEC:
            updateCompareButtons(dialog, IDC_SOURCE_SPEC, 1);
            return FALSE;
        case IDC_DESTINATION_SPEC:
            updateCompareButtons(dialog, IDC_DESTINATION_SPEC, 2);
            return FALSE;
        }
        return FALSE;
    }
    return FALSE;
}
