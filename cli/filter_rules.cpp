#include "filter_rules.h"

#include "check_output.h"
#include "check_specifications.h"
#include "platform/win32.h"

#include <cstring>
#include <new>

namespace {

// A list of patterns longer than this is taken for something else than a list of patterns.
constexpr DWORD largestExcludeFile = 1 << 20;

int refused(const char* why, const char* typed) {
    printMessage(why, typed, " (see qdlcheck --help)");
    return 1;
}

int grow(FilterRules& rules) {
    if (rules.count < rules.room) return 0;
    const int room = rules.room * 2 + 8;
    auto* larger = new (std::nothrow) FilterRule[room];
    if (larger == nullptr) return 1;
    if (rules.count > 0) std::memcpy(larger, rules.rules, sizeof *larger * static_cast<std::size_t>(rules.count));
    delete[] rules.rules;
    rules.rules = larger;
    rules.room = room;
    return 0;
}

// The whole file, ended by a terminator, in a buffer of its own: 0, or 1.
int readWhole(const char* typed, char** text) {
    char path[pathRoom];
    if (fullEnginePath(typed, path) != 0) return 1;
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    *text = new (std::nothrow) char[largestExcludeFile + 1];
    DWORD got = 0;
    const bool read = *text != nullptr && ReadFile(file, *text, largestExcludeFile + 1, &got, nullptr) != 0;
    CloseHandle(file);
    if (!read || got > largestExcludeFile) {
        delete[] *text;
        return 1;
    }
    (*text)[got] = '\0';
    return 0;
}

}  // namespace

int addFilterRule(FilterRules& rules, bool include, const char* typed) {
    const char* option = include ? "--include takes a pattern, not " : "--exclude takes a pattern, not ";
    if (std::strlen(typed) > static_cast<std::size_t>(pathLimit)) return refused(option, "one that long");
    if (grow(rules) != 0) return refused("out of memory for the pattern ", typed);
    FilterRule& rule = rules.rules[rules.count];
    rule = FilterRule{include, false, false, {}};
    // The platform's separators become the engine's backslash.
    appendCut(rule.pattern, 0, typed, pathLimit);
    for (char* c = rule.pattern; *c != '\0'; ++c)
        if (*c == QUENDLE_PATH_SEPARATOR) *c = '\\';
    char* pattern = rule.pattern;
    // A leading separator ties the pattern to the starting folder; a trailing one to folders.
    if (pattern[0] == '\\') {
        rule.onPath = true;
        std::memmove(pattern, pattern + 1, std::strlen(pattern));
    }
    const std::size_t length = std::strlen(pattern);
    if (length > 0 && pattern[length - 1] == '\\') {
        rule.foldersOnly = true;
        pattern[length - 1] = '\0';
    }
    if (pattern[0] == '\0' || std::strstr(pattern, "\\\\") != nullptr || pattern[std::strlen(pattern) - 1] == '\\')
        return refused(option, typed[0] == '\0' ? "an empty one" : typed);
    rule.onPath = rule.onPath || std::strchr(pattern, '\\') != nullptr;
    ++rules.count;
    return 0;
}

int addExcludeFile(FilterRules& rules, const char* typed) {
    char* text = nullptr;
    if (readWhole(typed, &text) != 0) {
        printMessage("cannot read the patterns of ", typed);
        return 1;
    }
    int result = 0;
    for (char* line = text; result == 0 && *line != '\0';) {
        char* end = line + std::strcspn(line, "\n");
        const bool last = *end == '\0';
        *end = '\0';
        if (end > line && end[-1] == '\r') end[-1] = '\0';
        if (line[0] != '\0' && line[0] != '#') result = addFilterRule(rules, false, line);
        line = last ? end : end + 1;
    }
    delete[] text;
    return result;
}

void releaseFilterRules(FilterRules& rules) {
    delete[] rules.rules;
    rules = FilterRules{nullptr, 0, 0};
}
