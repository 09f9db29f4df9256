// Ranks as threads of one process, for the tests: each rank has a mailbox; a send copies the bytes
// into the receiver's, in order. Breaking the post office makes every transport fail from then on,
// as a rank that died makes the MPI job fail.
#pragma once

#include "rank_transport.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>

struct PostedMessage;

struct Mailbox {
    std::mutex lock;
    std::condition_variable posted;
    PostedMessage* first = nullptr;
    PostedMessage* last = nullptr;
};

class PostOffice {
public:
    // Mailboxes for count ranks (at most maxRanks).
    explicit PostOffice(int count);
    ~PostOffice();
    PostOffice(const PostOffice&) = delete;
    PostOffice& operator=(const PostOffice&) = delete;

    static constexpr int maxRanks = 64;
    int count;
    Mailbox boxes[maxRanks];
    std::atomic<bool> broken;  // set before each box's lock is taken to wake its receiver

    // Every send and every receive, waiting or not, fails from now on.
    void breakDown();
};

class ThreadRank : public RankTransport {
public:
    ThreadRank(PostOffice& office, int rank) : office(office), own(rank) {}
    int rank() const override { return own; }
    int ranks() const override { return office.count; }
    int send(int to, int tag, const void* bytes, std::size_t length) override;
    int receive(RankMessage* message) override;
    int poll(RankMessage* message) override;

private:
    int take(RankMessage* message, bool wait);

    PostOffice& office;
    int own;
};
