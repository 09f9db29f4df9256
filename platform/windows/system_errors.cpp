// systemErrorText over FormatMessageA, in the program's code page, without its line end.
#include "platform/win32.h"

#include <cstdio>
#include <cstring>

void systemErrorText(int error, char* text, int room) {
    if (room <= 0) return;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(error), 0, text,
                                        static_cast<DWORD>(room), nullptr);
    if (length == 0) {
        std::snprintf(text, static_cast<std::size_t>(room), "Windows error %d", error);
        return;
    }
    std::size_t end = std::strlen(text);
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == '.')) --end;
    text[end] = '\0';
}
