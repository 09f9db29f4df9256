#include "file_inf_list.h"

#include <new>

int FileInfList::addPair(const FindRecord& source, const FindRecord& destination,
                         PairState state, Fault fault, const ComparedElsewhere* compared) {
    if (tailBlock->append(source, destination, state, fault, compared) == 0) return 0;
    auto* block = new (std::nothrow) FileInf;
    if (block == nullptr) {
        ++lostPairs;
        return 1;
    }
    tailBlock->next = block;
    tailBlock = block;
    return block->append(source, destination, state, fault, compared);
}

void FileInfList::releaseBefore(const ListCursor& at) {
    if (at.block == &first) return;
    FileInf* block = first.next;
    while (block != nullptr && block != at.block) {
        QUENDLE_EXPECT(block != cursorBlock, "blocks are released only behind the list's own cursor");
        FileInf* following = block->next;
        delete block;
        block = following;
    }
    first.next = at.block;
}

int FileInfList::nextPair(FindRecord* source, FindRecord* destination, PairMark* mark) {
    ListCursor at = cursor();
    const int result = pairAt(&at, source, destination, mark);
    setCursor(at);
    return result;
}

int FileInfList::pairAt(ListCursor* at, FindRecord* source, FindRecord* destination,
                        PairMark* mark) const {
    if (at->index >= FileInf::capacity) {
        // Stays on the last block at the end, so that setLastCode never needs a previous block.
        if (at->block->next == nullptr) return 1;
        *at = {at->block->next, 0};
    }
    const int result = at->block->readSlot(at->index, source, destination, mark);
    if (result == 0) ++at->index;
    return result;
}

void FileInfList::destroy() {
    FileInf* block = first.next;
    while (block != nullptr) {
        FileInf* following = block->next;
        delete block;
        block = following;
    }
    first.next = nullptr;
    tailBlock = &first;
    rewind();
}
