// What the main dialog hands to the next comparison, and the help file; one record per process.
#pragma once

#include "engine/path_text.h"
#include "engine/stop_level.h"

struct AppSettings {
    char helpCommand[pathRoom];  // the help file to open; empty when its path does not fit
    char sourceSpec[pathRoom];
    char destinationSpec[pathRoom];
    StopLevel stopLevel;
};

extern AppSettings appSettings;
