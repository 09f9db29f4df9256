#include "ranks/thread_ranks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// A message of the given length whose bytes all say which message of which sender it is.
std::vector<unsigned char> messageBytes(int from, int sequence, std::size_t length) {
    return std::vector<unsigned char>(length, static_cast<unsigned char>(from * 31 + sequence));
}

}  // namespace

// Many senders at once: every message arrives whole, once, and each sender's in the order sent,
// whatever its length (none, one byte, more than a page).
TEST(ThreadRanks, EachSendersMessagesArriveWholeAndInOrder) {
    constexpr int ranks = 5;
    constexpr int perSender = 400;
    PostOffice office(ranks);
    std::vector<std::thread> senders;
    for (int from = 1; from < ranks; ++from) {
        senders.emplace_back([&office, from] {
            ThreadRank rank(office, from);
            for (int i = 0; i < perSender; ++i) {
                const auto bytes = messageBytes(from, i, static_cast<std::size_t>(i % 3 == 0 ? 0 : i * 37));
                ASSERT_EQ(rank.send(0, i % 7, bytes.data(), bytes.size()), 0);
            }
        });
    }
    ThreadRank receiver(office, 0);
    EXPECT_EQ(receiver.ranks(), ranks);
    int next[ranks] = {};
    RankMessage message{};
    for (int received = 0; received < (ranks - 1) * perSender; ++received) {
        ASSERT_EQ(receiver.receive(&message), 0);
        ASSERT_GE(message.from, 1);
        ASSERT_LT(message.from, ranks);
        const int sequence = next[message.from]++;
        EXPECT_EQ(message.tag, sequence % 7);
        const auto wanted = messageBytes(message.from, sequence,
                                         static_cast<std::size_t>(sequence % 3 == 0 ? 0 : sequence * 37));
        ASSERT_EQ(message.length, wanted.size());
        if (!wanted.empty()) {
            EXPECT_EQ(std::memcmp(message.bytes, wanted.data(), wanted.size()), 0);
        }
    }
    for (std::thread& sender : senders) sender.join();
    releaseRankMessage(&message);
}

// A rank that cannot go on breaks the office: a rank blocked waiting for a message is woken with a
// failure, and nothing can be sent or received after.
TEST(ThreadRanks, ABrokenOfficeFailsEveryWaitAndSend) {
    PostOffice office(3);
    int waited = -1;
    std::thread waiting([&] {
        ThreadRank rank(office, 2);
        RankMessage message{};
        waited = rank.receive(&message);
        releaseRankMessage(&message);
    });
    ThreadRank rank(office, 1);
    ASSERT_EQ(rank.send(0, 1, "x", 1), 0);
    office.breakDown();
    waiting.join();
    EXPECT_EQ(waited, 1);
    EXPECT_EQ(rank.send(0, 1, "x", 1), 1);
    RankMessage message{};
    EXPECT_EQ(ThreadRank(office, 0).receive(&message), 1);
    EXPECT_EQ(rank.send(7, 1, "x", 1), 1);
}
