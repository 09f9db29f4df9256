#include "wildcard.h"

#include <cctype>
#include <cstring>

namespace {

bool sameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Greedy match with one backtracking point per "*": linear in practice, never exponential.
bool matchSpan(const char* pattern, const char* patternEnd, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (pattern < patternEnd && *pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (pattern < patternEnd && (*pattern == '?' || sameLetter(*pattern, *name))) {
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
