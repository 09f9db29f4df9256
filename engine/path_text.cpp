#include "path_text.h"

#include <cstring>

int lastBackslashBeforeWildcard(const char* text, int limit) {
    int last = -1;
    for (int i = 0; i < limit; ++i) {
        const char c = text[i];
        if (c == '\0' || isWildcard(c)) break;
        if (c == '\\') last = i;
    }
    return last;
}

int firstWildcard(const char* text) {
    const std::size_t at = std::strcspn(text, "*?");
    return text[at] == '\0' ? -1 : static_cast<int>(at);
}

bool unnameable(const char* name) {
    return std::strpbrk(name, "\\*?") != nullptr;
}

int appendCut(char* buffer, int length, const char* text, int limit) {
    while (length < limit && *text != '\0') buffer[length++] = *text++;
    buffer[length] = '\0';
    return length;
}

bool fitsBehind(int length, const char* text, int extra) {
    return length + static_cast<long>(std::strlen(text)) + extra <= pathLimit;
}

void dropTrailingBackslash(char* path) {
    const std::size_t length = std::strlen(path);
    if (length > 3 && path[length - 1] == '\\') path[length - 1] = '\0';
}
