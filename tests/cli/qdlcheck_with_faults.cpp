// qdlcheck with one file call made to fail, for the tests that sweep the failing call over a run:
// QUENDLE_FAULT="N ERROR" fails call N with that last error, "N ERROR short" makes a read or write
// report half of what it transferred instead; QUENDLE_FAULT_REPORT names a file that gets the
// number of calls made and whether the chosen one failed.
#include "cli/check_run.h"
#include "platform/posix/fault_injection.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (const char* fault = std::getenv("QUENDLE_FAULT")) {
        unsigned long long call = 0;
        unsigned long error = 0;
        char kind[8] = "";
        if (std::sscanf(fault, "%llu %lu %7s", &call, &error, kind) < 2) return 125;
        planFault({call, static_cast<DWORD>(error), std::strcmp(kind, "short") == 0});
    }
    const int status = runQdlcheck(argc, argv);
    if (const char* report = std::getenv("QUENDLE_FAULT_REPORT")) {
        std::FILE* file = std::fopen(report, "w");
        if (file == nullptr) return 125;
        std::fprintf(file, "%llu %d\n", static_cast<unsigned long long>(faultableCalls()),
                     faultInjected() ? 1 : 0);
        std::fclose(file);
    }
    return status;
}
