// ShellExecuteA: the front end opens the document (a pager in the terminal).
#include "dialog_manager.h"
#include "platform/posix/path_map.h"

#include <limits.h>
#include <unistd.h>

HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, int) {
    // Values up to 32 are errors: 2 for a file that is not there, 31 for no program to show it.
    const auto result = [](std::uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); };
    char posixPath[PATH_MAX];
    if (file == nullptr || toPosixPath(file, posixPath, sizeof posixPath) != 0 ||
        access(posixPath, R_OK) != 0)
        return result(2);
    FrontEnd* frontEnd = dialogManager().frontEnd;
    if (frontEnd == nullptr || !frontEnd->openDocument(posixPath)) return result(31);
    return result(42);
}
