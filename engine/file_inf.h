// One block of the pair list: 16 source/destination pairs with their states and result codes.
#pragma once

#include "fault_cause.h"
#include "find_record.h"
#include "result_code.h"

#include <cstdint>

class FileInf {
public:
    static constexpr int capacity = 16;

    // Records and codes are left as they are: a slot exists only once append has written it.
    FileInf() : count(0), next(nullptr) {}

    // A pair Compared comes with what its comparison answered.
    int append(const FindRecord& source, const FindRecord& destination, PairState state,
               Fault fault = noFault, const ComparedElsewhere* compared = nullptr);
    int readSlot(int index, FindRecord* source, FindRecord* destination, PairMark* mark) const;
    // Records the slot's result.
    int setCode(int index, ResultCode code);

    FindRecord sources[capacity];
    FindRecord destinations[capacity];
    PairState states[capacity];
    ResultCode codes[capacity];  // of the slots Recorded or Compared
    // For a pair whose contents differ: the offset of its first differing byte.
    std::uint64_t firstDifferences[capacity];
    // For a pair Compared: the bytes its comparison accounted for, and those it read.
    std::uint64_t bytesElsewhere[capacity];
    std::uint64_t readElsewhere[capacity];
    // For a pair that could not be compared as itself: why, when that is known.
    Fault faults[capacity];
    std::int32_t count;
    FileInf* next;
};
