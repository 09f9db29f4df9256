#include "level_messages.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

int append(RankMessage* out, const void* bytes, std::size_t length) {
    if (out->length + length > out->room) {
        const std::size_t doubled = out->room * 2;
        const std::size_t needed = out->length + length;
        if (roomForRankMessage(out, doubled > needed ? doubled : needed) != 0) return 1;
    }
    if (length > 0) std::memcpy(out->bytes + out->length, bytes, length);
    out->length += length;
    return 0;
}

template <typename Record>
int appendRecord(RankMessage* out, const Record& record) {
    return append(out, &record, sizeof record);
}

int appendText(RankMessage* out, const char* text) {
    const auto length = static_cast<std::int32_t>(std::strlen(text));
    return appendRecord(out, length) | append(out, text, static_cast<std::size_t>(length));
}

struct Reader {
    const unsigned char* at;
    std::size_t left;
};

Reader readerOf(const RankMessage& message) {
    return {message.bytes, message.length};
}

int take(Reader& reader, void* bytes, std::size_t length) {
    if (length > reader.left) return 1;
    if (length > 0) std::memcpy(bytes, reader.at, length);
    reader.at += length;
    reader.left -= length;
    return 0;
}

template <typename Record>
int takeRecord(Reader& reader, Record* record) {
    return take(reader, record, sizeof *record);
}

int takeText(Reader& reader, char (&text)[pathRoom]) {
    std::int32_t length = 0;
    if (takeRecord(reader, &length) != 0 || length < 0 || length > pathLimit ||
        take(reader, text, static_cast<std::size_t>(length)) != 0)
        return 1;
    text[length] = '\0';
    return 0;
}

// A message of one fixed record.
template <typename Record>
int writeOnly(const Record& record, RankMessage* out) {
    out->length = 0;
    return appendRecord(out, record);
}

template <typename Record>
int readOnly(const RankMessage& message, Record* record) {
    Reader reader = readerOf(message);
    return takeRecord(reader, record) != 0 || reader.left != 0 ? 1 : 0;
}

}  // namespace

int writeBegin(const ListingRules& rules, std::uint64_t timeWindow, RankMessage* out) {
    out->length = 0;
    const std::int32_t flags[] = {rules.listExtras ? 1 : 0, static_cast<std::int32_t>(rules.links), rules.rootLength};
    int failed = appendRecord(out, flags) | appendRecord(out, timeWindow) | appendText(out, rules.pattern);
    const std::int32_t ownCount = rules.ownFiles != nullptr ? rules.ownFiles->count : 0;
    failed |= appendRecord(out, ownCount);
    for (int i = 0; i < ownCount; ++i)
        failed |= appendText(out, rules.ownFiles->files[i].path) | appendText(out, rules.ownFiles->files[i].name);
    const std::int32_t filterCount = rules.filter != nullptr ? rules.filter->count : 0;
    failed |= appendRecord(out, filterCount);
    if (filterCount > 0) failed |= append(out, rules.filter->rules, sizeof(FilterRule) * static_cast<std::size_t>(filterCount));
    return failed;
}

int readBegin(const RankMessage& message, ReceivedRules* received) {
    *received = ReceivedRules{};
    Reader reader = readerOf(message);
    std::int32_t flags[3];
    std::int32_t ownCount = 0;
    if (takeRecord(reader, &flags) != 0 || takeRecord(reader, &received->timeWindow) != 0 ||
        takeText(reader, received->pattern) != 0 ||
        takeRecord(reader, &ownCount) != 0 || ownCount < 0 || ownCount > OwnFiles::capacity)
        return 1;
    for (int i = 0; i < ownCount; ++i) {
        char path[pathRoom];
        char name[pathRoom];
        if (takeText(reader, path) != 0 || takeText(reader, name) != 0) return 1;
        // This rank knows a file of the run by its own identity of it: one it cannot see now is
        // not in the folders it lists either.
        (void)addOwnFile(received->own, path, name);
    }
    std::int32_t filterCount = 0;
    if (takeRecord(reader, &filterCount) != 0 || filterCount < 0 ||
        static_cast<std::size_t>(filterCount) > reader.left / sizeof(FilterRule))
        return 1;
    if (filterCount > 0) {
        const std::size_t size = sizeof(FilterRule) * static_cast<std::size_t>(filterCount);
        received->filterRules = static_cast<FilterRule*>(std::malloc(size));
        if (received->filterRules == nullptr || take(reader, received->filterRules, size) != 0) return 1;
        received->filter = {received->filterRules, filterCount};
    }
    if (flags[1] != static_cast<std::int32_t>(LinkRule::Follow) && flags[1] != static_cast<std::int32_t>(LinkRule::AsLinks))
        return 1;
    received->rules = {received->pattern, flags[0] != 0, static_cast<LinkRule>(flags[1]),
                       &received->own, filterCount > 0 ? &received->filter : nullptr, flags[2], nullptr};
    return reader.left == 0 ? 0 : 1;
}

void releaseReceivedRules(ReceivedRules* received) {
    std::free(received->filterRules);
    received->filterRules = nullptr;
}

int writeList(const TreeLevel& level, RankMessage* out) {
    out->length = 0;
    return appendText(out, level.sourceFolder) | appendText(out, level.destinationFolder);
}

int readList(const RankMessage& message, char (&sourceFolder)[pathRoom], char (&destinationFolder)[pathRoom]) {
    Reader reader = readerOf(message);
    if (takeText(reader, sourceFolder) != 0 || takeText(reader, destinationFolder) != 0) return 1;
    return reader.left == 0 ? 0 : 1;
}

int writeListed(const TreeLevel& level, const FolderEntries& entries, RankMessage* out) {
    out->length = 0;
    const std::int32_t counts[] = {level.listed, entries.count, entries.lostPairs};
    const std::uint64_t used = entries.used;
    return appendRecord(out, counts) | appendRecord(out, level.fault) | appendRecord(out, level.totals) |
           appendRecord(out, level.folder) | appendRecord(out, used) | append(out, entries.bytes, entries.used);
}

int readListed(const RankMessage& message, TreeLevel* level) {
    Reader reader = readerOf(message);
    std::int32_t counts[3];
    std::uint64_t used = 0;
    if (takeRecord(reader, &counts) != 0 || takeRecord(reader, &level->fault) != 0 ||
        takeRecord(reader, &level->totals) != 0 || takeRecord(reader, &level->folder) != 0 ||
        takeRecord(reader, &used) != 0 || used != reader.left || counts[0] < listedInFull ||
        counts[0] > listingStopped || counts[1] < 0 || counts[2] < 0)
        return 1;
    TreeFolder& folder = level->folder;
    folder.searchPath[pathLimit] = '\0';
    folder.destinationPath[pathLimit] = '\0';
    if (folder.sourceLength < 0 || folder.sourceLength > pathLimit || folder.destinationLength < 0 ||
        folder.destinationLength > pathLimit || folder.destinationSplit < 0 || folder.destinationSplit > pathLimit)
        return 1;
    FolderEntries& entries = level->entries;
    if (used > 0) {
        entries.bytes = static_cast<char*>(std::malloc(used));
        if (entries.bytes == nullptr) return 1;
        entries.room = used;
        (void)take(reader, entries.bytes, used);
    }
    entries.used = used;
    entries.count = counts[1];
    entries.lostPairs = counts[2];
    level->listed = counts[0];
    return 0;
}

int writeRange(const RangeRequest& range, RankMessage* out) {
    return writeOnly(range, out);
}

int readRange(const RankMessage& message, RangeRequest* range) {
    if (readOnly(message, range) != 0) return 1;
    range->sourcePath[pathLimit] = '\0';
    range->destinationPath[pathLimit] = '\0';
    return 0;
}

int writeRangeAnswer(const RangeAnswer& answer, RankMessage* out) {
    return writeOnly(answer, out);
}

int readRangeAnswer(const RankMessage& message, RangeAnswer* answer) {
    if (readOnly(message, answer) != 0) return 1;
    return answer->code == pairGoesOn || (answer->code >= 0 && answer->code < resultCodeCount) ? 0 : 1;
}
