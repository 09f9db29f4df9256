#include "thread_ranks.h"

#include <cstdlib>
#include <cstring>
#include <new>

struct PostedMessage {
    PostedMessage* next;
    int from;
    int tag;
    std::size_t length;
    unsigned char bytes[1];
};

PostOffice::PostOffice(int ranks) : count(ranks < maxRanks ? ranks : maxRanks), broken(false) {}

PostOffice::~PostOffice() {
    for (Mailbox& box : boxes) {
        while (PostedMessage* message = box.first) {
            box.first = message->next;
            std::free(message);
        }
    }
}

void PostOffice::breakDown() {
    broken = true;
    for (Mailbox& box : boxes) {
        std::lock_guard<std::mutex> held(box.lock);
        box.posted.notify_all();
    }
}

int ThreadRank::send(int to, int tag, const void* bytes, std::size_t length) {
    if (to < 0 || to >= office.count) return 1;
    auto* message = static_cast<PostedMessage*>(std::malloc(sizeof(PostedMessage) + length));
    if (message == nullptr) return 1;
    *message = {nullptr, own, tag, length, {0}};
    if (length > 0) std::memcpy(message->bytes, bytes, length);
    Mailbox& box = office.boxes[to];
    std::lock_guard<std::mutex> held(box.lock);
    if (office.broken) {
        std::free(message);
        return 1;
    }
    (box.last != nullptr ? box.last->next : box.first) = message;
    box.last = message;
    box.posted.notify_one();
    return 0;
}

int ThreadRank::receive(RankMessage* message) {
    return take(message, true);
}

int ThreadRank::poll(RankMessage* message) {
    return take(message, false);
}

int ThreadRank::take(RankMessage* message, bool wait) {
    Mailbox& box = office.boxes[own];
    PostedMessage* posted;
    {
        std::unique_lock<std::mutex> held(box.lock);
        if (wait) box.posted.wait(held, [&] { return office.broken || box.first != nullptr; });
        if (office.broken) return 1;
        if (box.first == nullptr) return noMessage;
        posted = box.first;
        box.first = posted->next;
        if (box.first == nullptr) box.last = nullptr;
    }
    const int result = roomForRankMessage(message, posted->length);
    if (result == 0) {
        message->from = posted->from;
        message->tag = posted->tag;
        message->length = posted->length;
        if (posted->length > 0) std::memcpy(message->bytes, posted->bytes, posted->length);
    }
    std::free(posted);
    return result;
}
