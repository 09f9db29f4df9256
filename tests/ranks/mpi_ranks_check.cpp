// Run under mpirun: every rank sends a stream of messages to rank 0 while rank 0 sends one to each
// of them, long ones among them (the kind MPI does not buffer), so that each side's sends are in
// flight while it waits for the other's. Each stream must arrive whole and in order: every rank
// exits 0 when it did, and mpirun with it; a rank that saw a fault ends the job with status 1.
#include "mpi_ranks/mpi_ranks.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int streamLength = 300;

std::size_t lengthOf(int sequence) {
    return sequence % 50 == 49 ? 300000 : static_cast<std::size_t>(sequence * 13 % 5000);
}

std::vector<unsigned char> bytesOf(int from, int sequence) {
    return std::vector<unsigned char>(lengthOf(sequence), static_cast<unsigned char>(from * 17 + sequence));
}

// Receives `expected` messages; each sender's must come in order. 0 when they did.
int receiveStreams(MpiRanks& ranks, int expected) {
    std::vector<int> next(static_cast<std::size_t>(ranks.ranks()), 0);
    RankMessage message{};
    int wrong = 0;
    for (int i = 0; i < expected && wrong == 0; ++i) {
        if (ranks.receive(&message) != 0) {
            wrong = 1;
            break;
        }
        const int sequence = next[static_cast<std::size_t>(message.from)]++;
        const auto wanted = bytesOf(message.from, sequence);
        if (message.tag != sequence || message.length != wanted.size() ||
            (!wanted.empty() && std::memcmp(message.bytes, wanted.data(), wanted.size()) != 0)) {
            std::fprintf(stderr, "rank %d: message %d from %d came wrong\n", ranks.rank(), sequence, message.from);
            wrong = 1;
        }
    }
    releaseRankMessage(&message);
    return wrong;
}

}  // namespace

int main(int argc, char** argv) {
    MpiRanks ranks;
    if (ranks.start(&argc, &argv) != 0) {
        std::fprintf(stderr, "MPI did not start\n");
        return 1;
    }
    int failed = 0;
    if (ranks.rank() == 0) {
        for (int sequence = 0; sequence < streamLength && failed == 0; ++sequence) {
            for (int to = 1; to < ranks.ranks(); ++to) {
                const auto bytes = bytesOf(0, sequence);
                failed |= ranks.send(to, sequence, bytes.data(), bytes.size());
            }
        }
        failed |= receiveStreams(ranks, (ranks.ranks() - 1) * streamLength);
    } else {
        for (int sequence = 0; sequence < streamLength && failed == 0; ++sequence) {
            const auto bytes = bytesOf(ranks.rank(), sequence);
            failed |= ranks.send(0, sequence, bytes.data(), bytes.size());
        }
        failed |= receiveStreams(ranks, streamLength);
    }
    // The others may still wait for this rank's messages: a fault ends them all.
    if (failed != 0) ranks.abortAll(1);
    return ranks.finish();
}
