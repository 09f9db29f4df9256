#include "entry_filter.h"

#include "platform/wildcard.h"

#include <cstring>

namespace {

// The path matches the pattern level for level: as many levels, each matching its own.
bool pathMatches(const char* pattern, const char* path) {
    char patternLevel[pathRoom];
    char pathLevel[pathRoom];
    for (;;) {
        const std::size_t patternLength = std::strcspn(pattern, "\\");
        const std::size_t pathLength = std::strcspn(path, "\\");
        std::memcpy(patternLevel, pattern, patternLength);
        patternLevel[patternLength] = '\0';
        std::memcpy(pathLevel, path, pathLength);
        pathLevel[pathLength] = '\0';
        if (!matchesWildcard(patternLevel, pathLevel)) return false;
        pattern += patternLength;
        path += pathLength;
        if (*pattern == '\0' || *path == '\0') return *pattern == *path;
        ++pattern;
        ++path;
    }
}

}  // namespace

bool filteredOut(const EntryFilter* filter, const char* relative, int relativeLength, const char* name,
                 bool folder) {
    if (filter == nullptr) return false;
    char path[pathRoom];
    bool pathBuilt = false;
    for (int i = 0; i < filter->count; ++i) {
        const FilterRule& rule = filter->rules[i];
        if (rule.foldersOnly && !folder) continue;
        if (rule.onPath && !pathBuilt) {
            std::memcpy(path, relative, static_cast<std::size_t>(relativeLength));
            appendCut(path, relativeLength, name, pathLimit);
            pathBuilt = true;
        }
        if (rule.onPath ? pathMatches(rule.pattern, path) : matchesWildcard(rule.pattern, name))
            return !rule.include;
    }
    return false;
}
