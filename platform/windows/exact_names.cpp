// findFirstEntry and findNextEntry over the wide listing. FindFirstFileA turns a name its code page
// cannot carry into a neighbour's ("Ωmega" becomes "Omega" by best fit) or into "?", and the
// engine would then compare the wrong file; here every name comes back exactly, or marked.
#include "platform/win32.h"

#include <cstring>
#include <cwchar>

namespace {

constexpr UINT utf8CodePage = 65001;

// The name in the program's code page when it converts back to the very same wide name; false
// otherwise (best fit, a character the code page lacks, a lone surrogate, a name too long).
bool exactName(const wchar_t* wide, char (&name)[MAX_PATH]) {
    const UINT codePage = GetACP();
    BOOL usedDefault = FALSE;
    // The UTF-8 code page takes neither best-fit flags nor a default character.
    const bool utf8 = codePage == utf8CodePage;
    const int length = WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
                                           wide, -1, name, MAX_PATH, nullptr, utf8 ? nullptr : &usedDefault);
    if (length == 0 || usedDefault) return false;
    wchar_t back[MAX_PATH];
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, name, -1, back, MAX_PATH) != 0 &&
           std::wcscmp(back, wide) == 0;
}

// A name that is not carried exactly: each character the code page lacks becomes "?", which no
// Windows name holds, so that the engine reports the entry and never looks it up or opens it.
void markedName(const wchar_t* wide, char (&name)[MAX_PATH]) {
    int used = 0;
    for (const wchar_t* at = wide; *at != L'\0' && used < MAX_PATH - 1; ++at) {
        const bool pair = at[0] >= 0xD800 && at[0] <= 0xDBFF && at[1] >= 0xDC00 && at[1] <= 0xDFFF;
        wchar_t one[3] = {at[0], pair ? at[1] : L'\0', L'\0'};
        char bytes[MAX_PATH];
        const bool kept = exactName(one, bytes) && used + static_cast<int>(std::strlen(bytes)) < MAX_PATH - 1;
        if (kept) {
            std::memcpy(name + used, bytes, std::strlen(bytes));
            used += static_cast<int>(std::strlen(bytes));
        } else {
            name[used++] = '?';
        }
        if (pair) ++at;
    }
    name[used] = '\0';
}

void narrow(const WIN32_FIND_DATAW& wide, WIN32_FIND_DATAA* data) {
    data->dwFileAttributes = wide.dwFileAttributes;
    data->ftCreationTime = wide.ftCreationTime;
    data->ftLastAccessTime = wide.ftLastAccessTime;
    data->ftLastWriteTime = wide.ftLastWriteTime;
    data->nFileSizeHigh = wide.nFileSizeHigh;
    data->nFileSizeLow = wide.nFileSizeLow;
    data->dwReserved0 = wide.dwReserved0;
    data->dwReserved1 = wide.dwReserved1;
    if (!exactName(wide.cFileName, data->cFileName)) markedName(wide.cFileName, data->cFileName);
    // The short name is never read.
    data->cAlternateFileName[0] = '\0';
}

}  // namespace

HANDLE findFirstEntry(LPCSTR path, WIN32_FIND_DATAA* data) {
    wchar_t widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, widePath, MAX_PATH) == 0) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    WIN32_FIND_DATAW wide;
    const HANDLE search = FindFirstFileW(widePath, &wide);
    if (search != INVALID_HANDLE_VALUE) narrow(wide, data);
    return search;
}

BOOL findNextEntry(HANDLE search, WIN32_FIND_DATAA* data) {
    WIN32_FIND_DATAW wide;
    if (FindNextFileW(search, &wide) == 0) return FALSE;
    narrow(wide, data);
    return TRUE;
}
