// Help: HowToUse.txt of the folder the program was started in.
#pragma once

// Reads the current directory once, at start-up.
void buildHelpCommand();
// Opens the help file with its associated program; a failure is not reported.
void runHelpCommand();
