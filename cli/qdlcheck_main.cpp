// qdlcheck: checks a copy against its source from the command line; the exit status tells a
// script what was found.
#include "check_run.h"

int main(int argc, char** argv) {
    return runQdlcheck(argc, argv);
}
