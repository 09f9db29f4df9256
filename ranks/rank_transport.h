// The messages between the processes of a run spread over machines: rank 0 plans, records and
// prints; the others list and compare what it hands out. A transport carries opaque blocks between
// ranks; between any two ranks they arrive in the order sent. MPI carries them between processes,
// threads of one process carry them in the tests.
#pragma once

#include <cstddef>

// A message received: its sender, its tag and its bytes, in a buffer the receiver keeps and grows.
struct RankMessage {
    int from;
    int tag;
    std::size_t length;
    unsigned char* bytes;
    std::size_t room;
};

// What poll answers when no message has come.
constexpr int noMessage = 2;

// Frees a message's buffer.
void releaseRankMessage(RankMessage* message);

// Makes room for length bytes in a message's buffer: 0; 1 without the memory for it.
int roomForRankMessage(RankMessage* message, std::size_t length);

class RankTransport {
public:
    virtual ~RankTransport() = default;
    virtual int rank() const = 0;
    virtual int ranks() const = 0;
    // Sends a copy of the bytes (the caller may reuse them at once): 0; 1 when the transport failed.
    virtual int send(int to, int tag, const void* bytes, std::size_t length) = 0;
    // Waits for the next message from any rank: 0 with it in *message; 1 when the transport failed.
    virtual int receive(RankMessage* message) = 0;
    // The next message when one has come, without waiting: 0 with it, noMessage, or 1 when the
    // transport failed.
    virtual int poll(RankMessage* message) = 0;
};
