// qdlcheck-mpi: qdlcheck as an MPI job. Rank 0 runs qdlcheck itself, with its output, log and exit
// status; the other ranks list the folders it hands them.
#include "cli/check_run.h"
#include "cli/exit_bits.h"
#include "level_ranks/level_service.h"
#include "level_ranks/remote_listers.h"
#include "mpi_ranks/mpi_ranks.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    MpiRanks ranks;
    if (ranks.start(&argc, &argv) != 0) {
        std::fputs("qdlcheck-mpi: MPI could not start; run it under mpirun or srun\n", stderr);
        return ExitCannotCompare;
    }
    if (ranks.rank() != 0) {
        // Rank 0 carries the run's status: a rank that cannot go on ends the job.
        if (serveLevels(ranks) != 0) ranks.abortAll(ExitCannotCompare);
        return ranks.finish() != 0 ? ExitCannotCompare : 0;
    }
    RemoteListers listers(ranks, stopRun);
    int status = runQdlcheck(argc, argv, ranks.ranks() > 1 ? &listers : nullptr);
    // A run whose ranks cannot all be ended in order ends here, its output and log already done:
    // the launcher ends the other ranks.
    if (listers.finish() != 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    if (ranks.finish() != 0) status |= ExitCannotCompare;
    return status;
}
