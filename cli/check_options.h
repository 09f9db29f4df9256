// The command line of qdlcheck, read with getopt_long.
#pragma once

#include "engine/stop_level.h"
#include "filter_rules.h"

// Which result lines go to standard output, and in which form.
enum class Listing : unsigned char { Differences, All, Nothing };
enum class OutputFormat : unsigned char { Text, NullEnded, Json };

struct CheckOptions {
    StopLevel stopLevel;
    Listing listing;
    OutputFormat format;
    bool topOnly;          // a folder means its own files, not its tree
    bool extras;           // also list what only the destination holds
    bool progressAlways;   // the progress line also when standard error is no terminal
    bool listFirst;        // the whole tree listed before the first pair is compared
    bool links;            // links compared as links, not followed
    const char* logFile;   // none when no log is asked for
    int jobs;              // file pairs compared at once
    int timeWindow;        // seconds by which last-write times may differ and count as equal
    const char* source;
    const char* destination;
    FilterRules filters;   // what the user leaves out, in order; released with the options
};

// 0 with the options of a run; 1 after a usage error was reported on standard error; 2 after
// --help or --version was answered. The options go with releaseCheckOptions whatever the result.
[[nodiscard]] int parseCheckOptions(int argc, char** argv, CheckOptions* options);
void releaseCheckOptions(CheckOptions& options);
