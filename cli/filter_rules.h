// --exclude, --include and --exclude-from: the rules of the run's filter, in the order given.
#pragma once

#include "engine/entry_filter.h"

// The rules given so far; they go with releaseFilterRules.
struct FilterRules {
    FilterRule* rules;
    int count;
    int room;
};

// Adds a rule typed on this platform ("*.o", "build/", "/top.txt", "docs/*/old"): 0, or 1 after a
// usage error on standard error.
[[nodiscard]] int addFilterRule(FilterRules& rules, bool include, const char* typed);
// Adds a rule to leave out for each line of the file (empty lines and lines beginning with "#" are
// none): 0, or 1 after a message on standard error.
[[nodiscard]] int addExcludeFile(FilterRules& rules, const char* typed);
void releaseFilterRules(FilterRules& rules);
