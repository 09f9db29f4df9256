// Helpers for the fixed 260-character path buffers: 259 characters and a terminator at most.
#pragma once

constexpr int pathRoom = 260;
constexpr int pathLimit = pathRoom - 1;

inline bool isWildcard(char c) {
    return c == '*' || c == '?';
}

// Position of the first "*" or "?" before the terminator, or -1.
int firstWildcard(const char* text);
inline bool hasWildcard(const char* text) {
    return firstWildcard(text) >= 0;
}

// A name no Windows path can carry: a backslash would split it, "*" or "?" would match other
// entries. Such a name is never looked up or opened by a path.
bool unnameable(const char* name);

// Position of the last backslash before the first terminator, "*" or "?" within limit positions,
// or -1. Byte by byte: a second byte of a double-byte character with the value 0x5C counts too.
int lastBackslashBeforeWildcard(const char* text, int limit);

// Copies text behind the length characters already in buffer, up to limit characters in all, and
// terminates. Returns the new length; whatever does not fit is cut.
int appendCut(char* buffer, int length, const char* text, int limit);

// Ends the path before its trailing backslash, but a drive's root ("C:\") keeps it: "C:" alone
// names another folder.
void dropTrailingBackslash(char* path);

// True when text, and extra characters more, fit behind length characters within the 259 of a
// path: nothing may be opened or looked up by a cut path.
bool fitsBehind(int length, const char* text, int extra = 0);
