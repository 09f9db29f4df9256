#include "wildcard.h"

#include <cstring>

namespace {

// ASCII letters only, whatever the locale: a byte of a UTF-8 character is never a letter here.
unsigned char lower(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool sameLetter(char a, char b) {
    return lower(a) == lower(b);
}

// Greedy match with one backtracking point per "*": linear in practice, never exponential.
bool matchSpan(const char* pattern, const char* patternEnd, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (pattern < patternEnd && *pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (pattern < patternEnd && *pattern == '?') {
            // One character, however many bytes its UTF-8 takes.
            ++pattern;
            ++name;
            while ((static_cast<unsigned char>(*name) & 0xC0) == 0x80) ++name;
        } else if (pattern < patternEnd && sameLetter(*pattern, *name)) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (pattern < patternEnd && *pattern == '*') ++pattern;
    return pattern == patternEnd;
}

}  // namespace

bool matchesWildcard(const char* pattern, const char* name) {
    const char* end = pattern + std::strlen(pattern);
    if (matchSpan(pattern, end, name)) return true;
    const bool endsInDotStar = end - pattern >= 2 && end[-2] == '.' && end[-1] == '*';
    return endsInDotStar && std::strchr(name, '.') == nullptr && matchSpan(pattern, end - 2, name);
}
