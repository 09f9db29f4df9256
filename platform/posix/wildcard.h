// File-name matching with "*" and "?" as a Windows directory search does it.
#pragma once

// True when name matches pattern: letter case is ignored (ASCII), "*" matches any run of characters,
// "?" exactly one, and a pattern ending in ".*" also matches a name that has no extension at all
// (so "*.*" matches every name).
bool matchesWildcard(const char* pattern, const char* name);
