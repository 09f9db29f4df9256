#include "file_inf.h"

#include "misuse.h"

int FileInf::append(const FindRecord& source, const FindRecord& destination, PairState state,
                    Fault fault, const ComparedElsewhere* compared) {
    if (count >= capacity) return 1;
    QUENDLE_EXPECT((state == PairState::Compared) == (compared != nullptr),
                   "a pair compared elsewhere comes with its answer");
    sources[count] = source;
    destinations[count] = destination;
    states[count] = state;
    faults[count] = fault;
    if (compared != nullptr) {
        codes[count] = compared->code;
        bytesElsewhere[count] = compared->bytes;
        readElsewhere[count] = compared->read;
        firstDifferences[count] = compared->firstDifference;
    }
    ++count;
    return 0;
}

int FileInf::readSlot(int index, FindRecord* source, FindRecord* destination, PairMark* mark) const {
    if (index < 0 || index >= count) return 1;
    *source = sources[index];
    *destination = destinations[index];
    *mark = {states[index], codes[index]};
    return 0;
}

// Checked against the capacity, not count: the stepper marks the slot it was handed last.
int FileInf::setCode(int index, ResultCode code) {
    if (index < 0 || index >= capacity) return 1;
    codes[index] = code;
    states[index] = PairState::Recorded;
    return 0;
}
