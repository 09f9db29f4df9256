#include "level_service.h"

#include "level_messages.h"
#include "level_pairs.h"
#include "platform/win32.h"

#include <cstring>
#include <new>

namespace {

constexpr int deepest = pathRoom / 2;

// The folders above the one to list, from the starting folder down, identified by this rank: the
// link-loop check never compares identities made on different machines. Those of the last folder
// listed are kept, since the next lies mostly below the same ones.
struct AncestorChain {
    char path[pathRoom];
    int ends[deepest];  // where each folder's text ends in path
    Ancestor links[deepest];
    int depth;
};

// The chain above sourceFolder (the starting folder's text is its first rootLength characters):
// 0 with its innermost link in *above (none for the starting folder); 1 when a folder above
// cannot be identified.
int chainAbove(AncestorChain& chain, const char* sourceFolder, int rootLength, const Ancestor** above) {
    const int length = static_cast<int>(std::strlen(sourceFolder));
    int depth = 0;
    int kept = 0;  // how many of the chain's links still hold
    for (int end = rootLength; end < length && depth < deepest; ++end) {
        if (end != rootLength && sourceFolder[end - 1] != '\\') continue;
        const bool same = kept == depth && depth < chain.depth && chain.ends[depth] == end &&
                          std::strncmp(chain.path, sourceFolder, static_cast<std::size_t>(end)) == 0;
        if (same) {
            ++kept;
        } else {
            char folder[pathRoom];
            std::memcpy(folder, sourceFolder, static_cast<std::size_t>(end));
            folder[end] = '\0';
            if (identifyFile(folder, &chain.links[depth].identity) != 0) {
                chain.depth = 0;
                return 1;
            }
            chain.ends[depth] = end;
        }
        chain.links[depth].above = depth > 0 ? &chain.links[depth - 1] : nullptr;
        ++depth;
    }
    std::memcpy(chain.path, sourceFolder, static_cast<std::size_t>(length) + 1);
    chain.depth = depth;
    *above = depth > 0 ? &chain.links[depth - 1] : nullptr;
    return 0;
}

// What a serving rank keeps from level to level.
struct Service {
    AncestorChain chain;
    PairBuffers buffers;
};

// Lists the level a message names, compares its small pairs, and answers it into *out.
int listRequested(const ReceivedRules& received, Service& service, const RankMessage& request, RankMessage* out) {
    const ListingRules& rules = received.rules;
    AncestorChain& chain = service.chain;
    char source[pathRoom];
    char destination[pathRoom];
    if (readList(request, source, destination) != 0) return 1;
    TreeLevel* level = newLevel(source, destination, nullptr);
    if (level == nullptr) return 1;
    const Ancestor* above = nullptr;
    if (chainAbove(chain, source, rules.rootLength, &above) != 0) {
        level->listed = sourceUnlisted;
        level->fault = lastFault();
    } else {
        level->self.above = above;
        listLevel(rules, *level);
    }
    // Without the memory to compare them here, the pairs go back to be compared by rank 0.
    FolderEntries compared;
    const bool comparedHere = level->listed == listedInFull &&
                              compareListedPairs(*level, received.timeWindow, service.buffers, &compared) == 0;
    const int written = writeListed(*level, comparedHere ? compared : level->entries, out);
    // Between levels this rank holds no folder.
    releaseThreadFolders();
    dropLevel(level);
    return written;
}

}  // namespace

int serveLevels(RankTransport& transport) {
    RankMessage message{};
    RankMessage reply{};
    ReceivedRules rules{};
    bool begun = false;
    auto* service = new (std::nothrow) Service{};
    int result = service == nullptr ? 1 : 0;
    while (result == 0) {
        if (transport.receive(&message) != 0 || message.from != 0) {
            result = 1;
        } else if (message.tag == BeginTag) {
            releaseReceivedRules(&rules);
            result = readBegin(message, &rules);
            begun = true;
        } else if (message.tag == ListTag && begun) {
            result = listRequested(rules, *service, message, &reply);
            if (result == 0) result = transport.send(0, ListedTag, reply.bytes, reply.length);
        } else if (message.tag == RangeTag && begun) {
            RangeRequest range;
            result = readRange(message, &range);
            if (result == 0) result = writeRangeAnswer(compareRange(range, rules.timeWindow, service->buffers), &reply);
            releaseThreadFolders();
            if (result == 0) result = transport.send(0, RangeAnsweredTag, reply.bytes, reply.length);
        } else if (message.tag == EndTag) {
            result = transport.send(0, EndedTag, nullptr, 0);
            break;
        } else {
            result = 1;
        }
    }
    delete service;
    releaseReceivedRules(&rules);
    releaseRankMessage(&message);
    releaseRankMessage(&reply);
    return result;
}
