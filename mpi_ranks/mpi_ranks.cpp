#include "mpi_ranks.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mpi.h>
#include <new>
#include <thread>

struct PendingSends {
    static constexpr int most = 256;
    MPI_Request requests[most];
    unsigned char* bytes[most];
    int count;
};

namespace {

// Receives the message a probe found: 0; 1 when the transport failed.
int receiveProbed(const MPI_Status& status, RankMessage* message) {
    int length = 0;
    if (MPI_Get_count(&status, MPI_BYTE, &length) != MPI_SUCCESS ||
        roomForRankMessage(message, static_cast<std::size_t>(length)) != 0 ||
        MPI_Recv(message->bytes, length, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE) != MPI_SUCCESS)
        return 1;
    message->from = status.MPI_SOURCE;
    message->tag = status.MPI_TAG;
    message->length = static_cast<std::size_t>(length);
    return 0;
}

}  // namespace

MpiRanks::~MpiRanks() {
    if (started) finish();
}

int MpiRanks::start(int* argc, char*** argv) {
    pending = new (std::nothrow) PendingSends{};
    if (pending == nullptr) return 1;
    // One thread at a time calls MPI: the main thread starts and ends it, rank 0's messages
    // thread carries them meanwhile; the workers and listers never call it.
    int provided = 0;
    if (MPI_Init_thread(argc, argv, MPI_THREAD_SERIALIZED, &provided) != MPI_SUCCESS) return 1;
    started = true;
    // A failing call answers here rather than ending the job, so the run can say what failed.
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    if (provided < MPI_THREAD_SERIALIZED || MPI_Comm_rank(MPI_COMM_WORLD, &own) != MPI_SUCCESS ||
        MPI_Comm_size(MPI_COMM_WORLD, &count) != MPI_SUCCESS)
        return 1;
    return 0;
}

int MpiRanks::settleSends(bool waitForAll) {
    if (pending == nullptr || pending->count == 0) return 0;
    int done = 0;
    int indices[PendingSends::most];
    const int result = waitForAll
        ? MPI_Waitall(pending->count, pending->requests, MPI_STATUSES_IGNORE)
        : MPI_Testsome(pending->count, pending->requests, &done, indices, MPI_STATUSES_IGNORE);
    if (result != MPI_SUCCESS) return 1;
    // Completed requests are MPI_REQUEST_NULL now: keep the others, in order.
    int kept = 0;
    for (int i = 0; i < pending->count; ++i) {
        if (pending->requests[i] == MPI_REQUEST_NULL) {
            std::free(pending->bytes[i]);
            continue;
        }
        pending->requests[kept] = pending->requests[i];
        pending->bytes[kept] = pending->bytes[i];
        ++kept;
    }
    pending->count = kept;
    return 0;
}

int MpiRanks::send(int to, int tag, const void* bytes, std::size_t length) {
    if (length > INT_MAX || settleSends(false) != 0) return 1;
    // A full list of sends in flight waits for them: the receivers are slower than this rank.
    if (pending->count == PendingSends::most && settleSends(true) != 0) return 1;
    auto* copy = static_cast<unsigned char*>(std::malloc(length > 0 ? length : 1));
    if (copy == nullptr) return 1;
    if (length > 0) std::memcpy(copy, bytes, length);
    MPI_Request request;
    if (MPI_Isend(copy, static_cast<int>(length), MPI_BYTE, to, tag, MPI_COMM_WORLD, &request) != MPI_SUCCESS) {
        std::free(copy);
        return 1;
    }
    pending->requests[pending->count] = request;
    pending->bytes[pending->count] = copy;
    ++pending->count;
    return 0;
}

// Open MPI's blocking probe spins on its core: a rank waiting for its next level would take the
// core from the ranks that compare. Polled, the wait sleeps, longer the longer it lasts.
int MpiRanks::receive(RankMessage* message) {
    constexpr auto shortestPause = std::chrono::microseconds(10);
    constexpr auto longestPause = std::chrono::microseconds(1000);
    for (auto pause = shortestPause;; pause = pause * 2 < longestPause ? pause * 2 : longestPause) {
        const int polled = poll(message);
        if (polled != noMessage) return polled;
        std::this_thread::sleep_for(pause);
    }
}

int MpiRanks::poll(RankMessage* message) {
    MPI_Status status;
    int found = 0;
    if (MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &found, &status) != MPI_SUCCESS) return 1;
    if (settleSends(false) != 0) return 1;
    if (found == 0) return noMessage;
    return receiveProbed(status, message);
}

int MpiRanks::finish() {
    if (!started) return 0;
    const int sent = settleSends(true);
    started = false;
    delete pending;
    pending = nullptr;
    return MPI_Finalize() == MPI_SUCCESS && sent == 0 ? 0 : 1;
}

void MpiRanks::abortAll(int status) {
    MPI_Abort(MPI_COMM_WORLD, status);
    std::_Exit(status);
}
