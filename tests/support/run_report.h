// A whole run of the engine on real files, as the user would read it afterwards.
#pragma once

#include "engine/stop_level.h"

#include <string>

// Plans and steps the job to its end; then its log lines, one per line, and a last line
// "= noDifference notices errors fatalErrors total".
std::string runReport(const std::string& source, const std::string& destination,
                      StopLevel level = IgnoreAnyErrors);
