// Help: HowToUse.txt of the folder the program was started in.
#pragma once

// Finds the help file once, at start-up: in the current directory, beside the program, or
// where it is installed.
void buildHelpCommand();
// Opens the help file with its associated program; a failure is not reported.
void runHelpCommand();
