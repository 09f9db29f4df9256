// The processes of an MPI job as ranks. One thread at a time calls it (on rank 0 the thread that
// carries its messages while the main thread runs; the workers and listers never do), and every MPI call of the program is in mpi_ranks.cpp.
#pragma once

#include "ranks/rank_transport.h"

struct PendingSends;

class MpiRanks : public RankTransport {
public:
    MpiRanks() = default;
    ~MpiRanks() override;
    MpiRanks(const MpiRanks&) = delete;
    MpiRanks& operator=(const MpiRanks&) = delete;

    // Starts MPI: 0; 1 when it could not start (not launched by an MPI launcher that works).
    int start(int* argc, char*** argv);
    // Waits until every message sent has left, then ends MPI: 0; 1 when the transport failed.
    int finish();
    // Ends every process of the job at once with this status: for a rank that cannot go on.
    [[noreturn]] void abortAll(int status);

    int rank() const override { return own; }
    int ranks() const override { return count; }
    int send(int to, int tag, const void* bytes, std::size_t length) override;
    int receive(RankMessage* message) override;
    int poll(RankMessage* message) override;

private:
    int own = 0;
    int count = 1;
    bool started = false;
    // Sends still in flight, each with its own copy of the bytes: a send never waits for its
    // receiver, so two ranks sending to each other never wait for each other.
    PendingSends* pending = nullptr;
    // Frees the sends that have left: 0; 1 when the transport failed.
    int settleSends(bool waitForAll);
};
