// SOURCE and DESTINATION as typed on this platform, turned into the engine's specifications.
#pragma once

#include "check_options.h"
#include "engine/path_text.h"

struct CheckSpecifications {
    char source[pathRoom];
    char destination[pathRoom];
    bool sourcePattern;  // SOURCE was typed with a wildcard
};

// A folder becomes its tree ("*\*") or, with --top, its own files ("*.*") on both sides; a file
// stays a file, compared with the file of the same name when DESTINATION is a folder; a text with
// a wildcard is made absolute like a path, then taken as the main dialog takes it. 0 with both specifications; 1 after one line on
// standard error saying why nothing can be compared as asked.
[[nodiscard]] int buildSpecifications(const CheckOptions& options, CheckSpecifications* specifications);

// The engine's form of a path typed on this platform, made absolute; 0, or 1 when it does not fit.
[[nodiscard]] int fullEnginePath(const char* typed, char (&path)[pathRoom]);
