// The entries a user leaves out of a run (qdlcheck's --exclude and --include): rules tried in
// order, the first that matches deciding, an entry no rule matches taken. A pattern holds the
// program's wildcards ("*" and "?", letter case ignored, "*.*" matching names without a dot too);
// it matches an entry's name at any level or, when it holds a backslash, the entry's path from the
// starting folder, level by level. A rule marked for folders matches folders only.
#pragma once

#include "path_text.h"

struct FilterRule {
    bool include;      // --include: taken; otherwise left out
    bool onPath;       // the pattern is matched against the path from the starting folder
    bool foldersOnly;
    char pattern[pathRoom];  // levels between backslashes when onPath
};

struct EntryFilter {
    const FilterRule* rules;
    int count;
};

// Whether the entry named name, in the folder whose path from the starting folder is the first
// relativeLength characters of relative (each level ending in a backslash), is left out.
bool filteredOut(const EntryFilter* filter, const char* relative, int relativeLength, const char* name,
                 bool folder);
