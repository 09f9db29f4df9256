// qdlcheck: checks a copy against its source from the command line; the exit status tells a
// script what was found.
#include "check_options.h"
#include "check_output.h"
#include "check_run.h"

int main(int argc, char** argv) {
    CheckOptions options;
    beginConsoleOutput();
    const int parsed = parseCheckOptions(argc, argv, &options);
    const int status = parsed == 0 ? runCheck(options) : parsed == 1 ? 16 : 0;
    // Also --help and --version: an answer that could not be written is no answer.
    return endConsoleOutput() != 0 ? status | 16 : status;
}
