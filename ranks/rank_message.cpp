#include "rank_transport.h"

#include <cstdlib>

void releaseRankMessage(RankMessage* message) {
    std::free(message->bytes);
    *message = RankMessage{};
}

int roomForRankMessage(RankMessage* message, std::size_t length) {
    if (length <= message->room) return 0;
    const std::size_t room = length < 4096 ? 4096 : length;
    auto* larger = static_cast<unsigned char*>(std::realloc(message->bytes, room));
    if (larger == nullptr) return 1;
    message->bytes = larger;
    message->room = room;
    return 0;
}
