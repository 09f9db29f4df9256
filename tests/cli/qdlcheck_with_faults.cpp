// qdlcheck with its system calls made to fail, for the tests that sweep the failing call over a
// run. QUENDLE_FAULT="N ERROR [MODE]": call N of each thread fails with ERROR (EIO, EACCES,
// ENOSPC, EMFILE, ENOMEM or EINTR), once, or with MODE "from" every call from N on; MODE "short"
// makes read N come back with half of what it read, "hang" holds the first read or write from
// call N on until a signal arrives, "hang-listing" the first read of a folder's names; SIGUSR1, which
// this program heeds and does nothing for, lets a held call go on as a signal nobody asked for would. QUENDLE_FAULT_REPORT names a file that gets the most calls one thread made and how many
// faults were injected.
#include "cli/check_run.h"
#include "platform/posix/fault_injection.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int errorNamed(const char* name) {
    const struct {
        const char* name;
        int error;
    } errors[] = {{"EIO", EIO}, {"EACCES", EACCES}, {"ENOSPC", ENOSPC},
                  {"EMFILE", EMFILE}, {"ENOMEM", ENOMEM}, {"EINTR", EINTR}};
    for (const auto& known : errors)
        if (std::strcmp(name, known.name) == 0) return known.error;
    return 0;
}

FaultMode modeNamed(const char* name) {
    if (std::strcmp(name, "from") == 0) return FaultMode::FromThenOn;
    if (std::strcmp(name, "short") == 0) return FaultMode::Short;
    if (std::strcmp(name, "hang") == 0) return FaultMode::Hang;
    if (std::strcmp(name, "hang-listing") == 0) return FaultMode::HangListing;
    return FaultMode::Once;
}

}  // namespace

void doNothing(int) {}

int main(int argc, char** argv) {
    struct sigaction release {};
    release.sa_handler = doNothing;
    sigemptyset(&release.sa_mask);
    sigaction(SIGUSR1, &release, nullptr);
    if (const char* fault = std::getenv("QUENDLE_FAULT")) {
        unsigned long long call = 0;
        char error[16] = "";
        char mode[16] = "";
        if (std::sscanf(fault, "%llu %15s %15s", &call, error, mode) < 2 || errorNamed(error) == 0)
            return 125;
        planFault({call, errorNamed(error), modeNamed(mode)});
    }
    const int status = runQdlcheck(argc, argv);
    if (const char* report = std::getenv("QUENDLE_FAULT_REPORT")) {
        std::FILE* file = std::fopen(report, "w");
        if (file == nullptr) return 125;
        std::fprintf(file, "%llu %llu\n", static_cast<unsigned long long>(faultableCalls()),
                     static_cast<unsigned long long>(faultsInjected()));
        std::fclose(file);
    }
    return status;
}
