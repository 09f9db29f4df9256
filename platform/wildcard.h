// File-name matching with "*" and "?" as a Windows directory search does it: the POSIX layer's
// searches, and the filters of a run on every platform.
#pragma once

// True when name matches pattern: letter case is ignored (ASCII), "*" matches any run of characters,
// "?" exactly one (the bytes of a UTF-8 character together), and a pattern ending in ".*" also matches a name that has no extension at all
// (so "*.*" matches every name).
bool matchesWildcard(const char* pattern, const char* name);
