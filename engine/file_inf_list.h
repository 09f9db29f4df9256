// The append-only list of pairs: a chain of 16-pair blocks, the first inside the list, one cursor.
#pragma once

#include "file_inf.h"
#include "misuse.h"

// Where the read cursor stands; a reader that walks beside the stepper keeps its own.
struct ListCursor {
    FileInf* block;
    std::int32_t index;
};

class FileInfList {
public:
    FileInfList() : cursorBlock(&first), tailBlock(&first), cursorIndex(0), lostPairs(0) {}
    FileInfList(const FileInfList&) = delete;
    FileInfList& operator=(const FileInfList&) = delete;

    // 0 when recorded; 1 when a new block could not be allocated and the pair was lost. The pair
    // starts to be compared, or with planning's verdict when it has one, or with the answer of
    // the process that compared it (PairState::Compared).
    int addPair(const FindRecord& source, const FindRecord& destination,
                PairState state = PairState::ToCompare, Fault fault = noFault,
                const ComparedElsewhere* compared = nullptr);
    // 0 with the pair at the cursor, moving past it; 1 at the end of the list.
    int nextPair(FindRecord* source, FindRecord* destination, PairMark* mark);
    // The same with a reader's own cursor: any number of readers walk the list beside the stepper.
    int pairAt(ListCursor* at, FindRecord* source, FindRecord* destination, PairMark* mark) const;
    // Sets the code of the pair nextPair delivered last.
    void setLastCode(ResultCode code) { setCodeBefore(cursor(), code); }
    // Sets the code of the pair delivered just before the cursor stood at `at`.
    void setCodeBefore(const ListCursor& at, ResultCode code) { at.block->setCode(slotBefore(at), code); }
    // The same for the offset of the first differing byte, and reading it back.
    void setFirstDifferenceBefore(const ListCursor& at, std::uint64_t offset) {
        at.block->firstDifferences[slotBefore(at)] = offset;
    }
    std::uint64_t firstDifferenceBefore(const ListCursor& at) const {
        return at.block->firstDifferences[slotBefore(at)];
    }
    // The same for why a pair could not be compared.
    void setFaultBefore(const ListCursor& at, Fault fault) { at.block->faults[slotBefore(at)] = fault; }
    Fault faultBefore(const ListCursor& at) const { return at.block->faults[slotBefore(at)]; }
    // The bytes another process accounted for and read comparing the pair just before `at`
    // (PairState::Compared).
    std::uint64_t bytesElsewhereBefore(const ListCursor& at) const {
        return at.block->bytesElsewhere[slotBefore(at)];
    }
    std::uint64_t readElsewhereBefore(const ListCursor& at) const {
        return at.block->readElsewhere[slotBefore(at)];
    }
    // The records of the pair just before `at`, where the list keeps them until its block goes.
    const FindRecord& sourceBefore(const ListCursor& at) const { return at.block->sources[slotBefore(at)]; }
    const FindRecord& destinationBefore(const ListCursor& at) const {
        return at.block->destinations[slotBefore(at)];
    }
    void rewind() { setCursor(start()); }
    // The cursor on the first pair, for a reader of the list.
    ListCursor start() const { return {const_cast<FileInf*>(&first), 0}; }
    ListCursor cursor() const { return {cursorBlock, cursorIndex}; }
    void setCursor(const ListCursor& at) {
        cursorBlock = at.block;
        cursorIndex = at.index;
    }
    static int slotBefore(const ListCursor& at) {
        QUENDLE_EXPECT(at.index > 0 && at.index <= at.block->count,
                       "a cursor names the pair before it only once it has passed one");
        return at.index - 1;
    }
    // Frees the blocks wholly behind `at` (after the first, which is part of the list): a run that
    // has read and recorded them holds only what lies ahead. The list is then walked from `at` on.
    void releaseBefore(const ListCursor& at);
    // Frees every block after the first.
    void destroy();

    FileInf first;
    FileInf* cursorBlock;
    FileInf* tailBlock;
    std::int32_t cursorIndex;
    // Pairs dropped because no block could be allocated: a list with lost pairs is incomplete and
    // must not be reported as a full comparison.
    std::int32_t lostPairs;
};
