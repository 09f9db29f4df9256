// One qdlcheck run: plan, step to the end (or the stop level, or Ctrl-C), report, write the log.
#pragma once

#include "check_options.h"

class ListingElsewhere;

// The exit status: the bits of what was found and how the run ended, 16 for what could not be done.
// Other processes list the tree's folders where elsewhere is given.
int runCheck(const CheckOptions& options, ListingElsewhere* elsewhere = nullptr);

// The whole program: the options, the run, and the output set back; its exit status.
int runQdlcheck(int argc, char** argv, ListingElsewhere* elsewhere = nullptr);

// Ends the run as Ctrl-C does; any thread may call it.
void stopRun();
