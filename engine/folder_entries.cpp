#include "folder_entries.h"

#include "misuse.h"

#include <cstdlib>
#include <cstring>

namespace {

// What a listed folder keeps of a record: the fields the run reads (the times of creation and of
// the last access it never does), then the names as long as they are. The numbers go in base 128,
// seven bits a byte (attributes, sizes and the link fields of a plain file take a byte or two); a
// destination named as its source keeps no name of its own, one whose fields are its source's
// keeps none of them, an entry without a fault keeps none, and short names (Windows' 8.3 names)
// are kept only where there are any: a folder of a million files copied with their sizes and times
// is held in some 25 bytes an entry beside its names.
enum PairFlags : unsigned char { sameName = 1, withFault = 2, sameFields = 4, withShortNames = 8 };
constexpr unsigned stateShift = 4;
static_assert(static_cast<unsigned>(PairState::Recorded) >> (8 - stateShift) == 0, "a state fits beside the flags");

// A pair at its longest: state and flags, fault, what a comparison elsewhere answered (a code and
// three numbers), and two records of five numbers, a time and names.
constexpr std::size_t numberMost = 10;
constexpr std::size_t recordMost = 4 * numberMost + sizeof(FILETIME) + MAX_PATH + sizeof FindRecord{}.shortName;
constexpr std::size_t pairMost = 1 + sizeof(Fault) + 1 + 3 * numberMost + 2 * recordMost;

char* put(char* to, const void* field, std::size_t length) {
    std::memcpy(to, field, length);
    return to + length;
}

const char* take(const char* from, void* field, std::size_t length) {
    std::memcpy(field, from, length);
    return from + length;
}

char* putNumber(char* to, std::uint64_t value) {
    for (; value >= 0x80; value >>= 7) *to++ = static_cast<char>(value | 0x80);
    *to++ = static_cast<char>(value);
    return to;
}

const char* takeNumber(const char* from, std::uint64_t* value) {
    *value = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*from++);
        *value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if (byte < 0x80) return from;
    }
}

const char* takeDword(const char* from, DWORD* field) {
    std::uint64_t value;
    from = takeNumber(from, &value);
    *field = static_cast<DWORD>(value);
    return from;
}

bool fieldsAlike(const FindRecord& a, const FindRecord& b) {
    return a.attributes == b.attributes && a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow &&
           a.reserved0 == b.reserved0 && a.reserved1 == b.reserved1 &&
           a.lastWriteTime.dwLowDateTime == b.lastWriteTime.dwLowDateTime &&
           a.lastWriteTime.dwHighDateTime == b.lastWriteTime.dwHighDateTime;
}

char* pack(const FindRecord& record, bool withFields, bool withName, bool withShortName, char* to) {
    if (withFields) {
        to = putNumber(to, record.attributes);
        to = put(to, &record.lastWriteTime, sizeof record.lastWriteTime);
        to = putNumber(to, static_cast<std::uint64_t>(record.sizeHigh) << 32 | record.sizeLow);
        to = putNumber(to, record.reserved0);
        to = putNumber(to, record.reserved1);
    }
    if (withName) to = put(to, record.name, std::strlen(record.name) + 1);
    return withShortName ? put(to, record.shortName, std::strlen(record.shortName) + 1) : to;
}

// Unpacks a record; one without fields of its own takes those of alike, one without a name of its
// own takes the name given.
const char* unpack(const char* from, const FindRecord* alike, const char* name, bool withShortName,
                   FindRecord* record) {
    *record = FindRecord{};
    if (alike != nullptr) {
        record->attributes = alike->attributes;
        record->lastWriteTime = alike->lastWriteTime;
        record->sizeHigh = alike->sizeHigh;
        record->sizeLow = alike->sizeLow;
        record->reserved0 = alike->reserved0;
        record->reserved1 = alike->reserved1;
    } else {
        from = takeDword(from, &record->attributes);
        from = take(from, &record->lastWriteTime, sizeof record->lastWriteTime);
        std::uint64_t size;
        from = takeNumber(from, &size);
        record->sizeHigh = static_cast<DWORD>(size >> 32);
        record->sizeLow = static_cast<DWORD>(size);
        from = takeDword(from, &record->reserved0);
        from = takeDword(from, &record->reserved1);
    }
    if (name == nullptr) {
        name = from;
        from += std::strlen(from) + 1;
    }
    std::memcpy(record->name, name, std::strlen(name) + 1);
    return withShortName ? take(from, record->shortName, std::strlen(from) + 1) : from;
}

}  // namespace

FolderEntries::~FolderEntries() {
    std::free(bytes);
}

int FolderEntries::addPair(const FindRecord& source, const FindRecord& destination, PairState state,
                           Fault fault, const ComparedElsewhere* compared) {
    QUENDLE_EXPECT((state == PairState::Compared) == (compared != nullptr),
                   "a pair compared elsewhere comes with its answer");
    const bool namedAlike = std::strcmp(source.name, destination.name) == 0;
    const bool alike = fieldsAlike(source, destination);
    const bool faulted = fault.cause != noFault.cause || fault.error != noFault.error;
    const bool shortNames = source.shortName[0] != '\0' || destination.shortName[0] != '\0';
    char packed[pairMost];
    char* to = packed;
    *to++ = static_cast<char>(static_cast<unsigned>(state) << stateShift | (namedAlike ? sameName : 0) |
                              (faulted ? withFault : 0) | (alike ? sameFields : 0) | (shortNames ? withShortNames : 0));
    if (faulted) to = put(to, &fault, sizeof fault);
    if (state == PairState::Compared) {
        *to++ = static_cast<char>(compared->code);
        to = putNumber(to, compared->bytes);
        to = putNumber(to, compared->read);
        to = putNumber(to, compared->firstDifference);
    }
    to = pack(destination, !alike, !namedAlike, shortNames, pack(source, true, true, shortNames, to));
    const auto length = static_cast<std::size_t>(to - packed);
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
    std::memcpy(bytes + used, packed, length);
    used += length;
    ++count;
    return 0;
}

int FolderEntries::pairAt(EntryCursor* at, FindRecord* source, FindRecord* destination,
                          PairState* state, Fault* fault, ComparedElsewhere* compared) const {
    if (at->index >= count) return 1;
    const char* from = bytes + at->offset;
    const auto head = static_cast<unsigned char>(*from++);
    *state = static_cast<PairState>(head >> stateShift);
    const unsigned flags = head & ((1u << stateShift) - 1);
    const bool shortNames = (flags & withShortNames) != 0;
    Fault kept = noFault;
    if ((flags & withFault) != 0) from = take(from, &kept, sizeof kept);
    if (fault != nullptr) *fault = kept;
    if (*state == PairState::Compared) {
        ComparedElsewhere answer{static_cast<ResultCode>(static_cast<unsigned char>(*from++)), 0, 0, 0};
        from = takeNumber(from, &answer.bytes);
        from = takeNumber(from, &answer.read);
        from = takeNumber(from, &answer.firstDifference);
        if (compared != nullptr) *compared = answer;
    }
    from = unpack(from, nullptr, nullptr, shortNames, source);
    from = unpack(from, (flags & sameFields) != 0 ? source : nullptr, (flags & sameName) != 0 ? source->name : nullptr,
                  shortNames, destination);
    at->offset = static_cast<std::size_t>(from - bytes);
    ++at->index;
    return 0;
}
