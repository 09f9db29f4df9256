#include "folder_entries.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// The fields of a record before its names, as the record lays them out.
constexpr std::size_t fixedLength = offsetof(FindRecord, name);

std::size_t packedLength(const FindRecord& record) {
    return fixedLength + std::strlen(record.name) + 1 + std::strlen(record.shortName) + 1;
}

char* pack(const FindRecord& record, char* to) {
    std::memcpy(to, &record, fixedLength);
    to += fixedLength;
    for (const char* text : {record.name, record.shortName}) {
        const std::size_t length = std::strlen(text) + 1;
        std::memcpy(to, text, length);
        to += length;
    }
    return to;
}

const char* unpack(const char* from, FindRecord* record) {
    *record = FindRecord{};
    std::memcpy(record, from, fixedLength);
    from += fixedLength;
    for (char* text : {record->name, record->shortName}) {
        const std::size_t length = std::strlen(from) + 1;
        std::memcpy(text, from, length);
        from += length;
    }
    return from;
}

}  // namespace

FolderEntries::~FolderEntries() {
    std::free(bytes);
}

int FolderEntries::addPair(const FindRecord& source, const FindRecord& destination, PairState state,
                           Fault fault) {
    const std::size_t length = 1 + sizeof fault + packedLength(source) + packedLength(destination);
    if (used + length > room) {
        const std::size_t larger = (used + length) * 2;
        auto* grown = static_cast<char*>(std::realloc(bytes, larger));
        if (grown == nullptr) {
            ++lostPairs;
            return 1;
        }
        bytes = grown;
        room = larger;
    }
    char* to = bytes + used;
    *to++ = static_cast<char>(state);
    std::memcpy(to, &fault, sizeof fault);
    to += sizeof fault;
    pack(destination, pack(source, to));
    used += length;
    ++count;
    return 0;
}

int FolderEntries::pairAt(EntryCursor* at, FindRecord* source, FindRecord* destination,
                          PairState* state, Fault* fault) const {
    if (at->index >= count) return 1;
    const char* from = bytes + at->offset;
    *state = static_cast<PairState>(static_cast<unsigned char>(*from++));
    if (fault != nullptr) std::memcpy(fault, from, sizeof *fault);
    from += sizeof(Fault);
    from = unpack(unpack(from, source), destination);
    at->offset = static_cast<std::size_t>(from - bytes);
    ++at->index;
    return 0;
}
