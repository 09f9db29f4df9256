#include "folder_entries.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// What a listed folder keeps of a record: the fields the run reads (the times of creation and of
// the last access it never does), then the names as long as they are. A destination named as its
// source keeps no name of its own, and an entry without a fault keeps none: a folder of a million
// files is held in some 70 bytes an entry.
constexpr std::size_t keptLength = sizeof(DWORD) + sizeof(FILETIME) + 4 * sizeof(DWORD);

enum PairFlags : unsigned char { sameName = 1, withFault = 2 };

char* put(char* to, const void* field, std::size_t length) {
    std::memcpy(to, field, length);
    return to + length;
}

const char* take(const char* from, void* field, std::size_t length) {
    std::memcpy(field, from, length);
    return from + length;
}

std::size_t packedLength(const FindRecord& record, bool withName) {
    return keptLength + (withName ? std::strlen(record.name) + 1 : 0) + std::strlen(record.shortName) + 1;
}

char* pack(const FindRecord& record, bool withName, char* to) {
    to = put(to, &record.attributes, sizeof record.attributes);
    to = put(to, &record.lastWriteTime, sizeof record.lastWriteTime);
    for (const DWORD* field : {&record.sizeHigh, &record.sizeLow, &record.reserved0, &record.reserved1})
        to = put(to, field, sizeof *field);
    if (withName) to = put(to, record.name, std::strlen(record.name) + 1);
    return put(to, record.shortName, std::strlen(record.shortName) + 1);
}

// Unpacks a record; one without a name of its own takes the name given.
const char* unpack(const char* from, const char* name, FindRecord* record) {
    *record = FindRecord{};
    from = take(from, &record->attributes, sizeof record->attributes);
    from = take(from, &record->lastWriteTime, sizeof record->lastWriteTime);
    for (DWORD* field : {&record->sizeHigh, &record->sizeLow, &record->reserved0, &record->reserved1})
        from = take(from, field, sizeof *field);
    if (name == nullptr) {
        name = from;
        from += std::strlen(from) + 1;
    }
    std::memcpy(record->name, name, std::strlen(name) + 1);
    return take(from, record->shortName, std::strlen(from) + 1);
}

}  // namespace

FolderEntries::~FolderEntries() {
    std::free(bytes);
}

int FolderEntries::addPair(const FindRecord& source, const FindRecord& destination, PairState state,
                           Fault fault) {
    const bool namedAlike = std::strcmp(source.name, destination.name) == 0;
    const bool faulted = fault.cause != noFault.cause || fault.error != noFault.error;
    const std::size_t length = 2 + (faulted ? sizeof fault : 0) + packedLength(source, true) +
                               packedLength(destination, !namedAlike);
    if (used + length > room) {
        // Half again, not twice: the slack of a folder of millions is itself millions of bytes.
        const std::size_t larger = used + length + (used + length) / 2 + 4096;
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
    *to++ = static_cast<char>((namedAlike ? sameName : 0) | (faulted ? withFault : 0));
    if (faulted) to = put(to, &fault, sizeof fault);
    pack(destination, !namedAlike, pack(source, true, to));
    used += length;
    ++count;
    return 0;
}

int FolderEntries::pairAt(EntryCursor* at, FindRecord* source, FindRecord* destination,
                          PairState* state, Fault* fault) const {
    if (at->index >= count) return 1;
    const char* from = bytes + at->offset;
    *state = static_cast<PairState>(static_cast<unsigned char>(*from++));
    const auto flags = static_cast<unsigned char>(*from++);
    Fault kept = noFault;
    if ((flags & withFault) != 0) from = take(from, &kept, sizeof kept);
    if (fault != nullptr) *fault = kept;
    from = unpack(from, nullptr, source);
    from = unpack(from, (flags & sameName) != 0 ? source->name : nullptr, destination);
    at->offset = static_cast<std::size_t>(from - bytes);
    ++at->index;
    return 0;
}
