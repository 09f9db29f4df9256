#include "engine/file_inf_list.h"
#include "engine/folder_entries.h"
#include "engine/qdl_core.h"
#include "engine/stepper.h"
#include "log_text/log_lines.h"
#include "support/failing_allocation.h"
#include "support/job_reading.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

namespace {

FindRecord named(const std::string& name) {
    FindRecord record{};
    std::strncpy(record.name, name.c_str(), sizeof record.name - 1);
    return record;
}

// The list lives inside a 77 KB job in real use; on the heap here too.
std::unique_ptr<FileInfList> listOf(int pairs) {
    auto list = std::make_unique<FileInfList>();
    for (int i = 0; i < pairs; ++i)
        EXPECT_EQ(list->addPair(named("s" + std::to_string(i)), named("d" + std::to_string(i))), 0);
    return list;
}

struct Delivered {
    int result;
    std::string source;
    std::string destination;
    int code;
};

Delivered next(FileInfList& list) {
    FindRecord source = named("untouched");
    FindRecord destination = named("untouched");
    PairMark mark{PairState::Recorded, CodeSRE};
    const int result = list.nextPair(&source, &destination, &mark);
    return {result, source.name, destination.name, mark.recorded() ? mark.code : toCompare};
}

TEST(PairList, EmptyListEndsAtOnceAndStaysEnded) {
    auto list = listOf(0);
    EXPECT_EQ(next(*list).result, 1);
    EXPECT_EQ(next(*list).result, 1);
    EXPECT_EQ(next(*list).source, "untouched");
    list->destroy();
}

TEST(PairList, SixteenPairsFillTheFirstBlockAndTheSeventeenthStartsTheNext) {
    auto list = listOf(16);
    EXPECT_EQ(list->first.count, 16);
    EXPECT_EQ(list->first.next, nullptr);
    EXPECT_EQ(list->tailBlock, &list->first);

    EXPECT_EQ(list->addPair(named("s16"), named("d16")), 0);
    ASSERT_NE(list->first.next, nullptr);
    EXPECT_EQ(list->tailBlock, list->first.next);
    EXPECT_EQ(list->tailBlock->count, 1);
    EXPECT_STREQ(list->tailBlock->sources[0].name, "s16");
    list->destroy();
}

TEST(PairList, ReadingExactlySixteenPairsEndsAtTheMissingNextBlock) {
    auto list = listOf(16);
    for (int i = 0; i < 16; ++i) {
        const Delivered pair = next(*list);
        EXPECT_EQ(pair.result, 0);
        EXPECT_EQ(pair.source, "s" + std::to_string(i));
        EXPECT_EQ(pair.destination, "d" + std::to_string(i));
        EXPECT_EQ(pair.code, toCompare);
    }
    EXPECT_EQ(next(*list).result, 1);
    EXPECT_EQ(next(*list).result, 1);
    list->destroy();
}

TEST(PairList, CodesLandOnTheSlotDeliveredLastAcrossBlocks) {
    auto list = listOf(20);
    for (int i = 0; i < 17; ++i) ASSERT_EQ(next(*list).result, 0);
    list->setLastCode(CodeNEC);  // slot 0 of the second block, not slot 15 of the first
    EXPECT_EQ(list->first.next->codes[0], CodeNEC);
    EXPECT_EQ(list->first.states[15], PairState::ToCompare);
    for (int i = 17; i < 20; ++i) ASSERT_EQ(next(*list).result, 0);
    EXPECT_EQ(next(*list).result, 1);
    EXPECT_EQ(next(*list).result, 1);

    list->rewind();
    const Delivered again = next(*list);
    EXPECT_EQ(again.source, "s0");
    for (int i = 1; i < 17; ++i) next(*list);
    EXPECT_EQ(next(*list).code, toCompare);  // s17
    list->rewind();
    for (int i = 0; i < 16; ++i) next(*list);
    EXPECT_EQ(next(*list).code, CodeNEC);  // s16 kept its code through the rewind
    list->destroy();
}

TEST(PairList, SlotsAreCheckedAgainstCountForReadingAndCapacityForCodes) {
    FileInf block;
    FindRecord source = named("before");
    FindRecord destination = named("before");
    PairMark mark{PairState::Recorded, CodeOK};
    EXPECT_EQ(block.readSlot(0, &source, &destination, &mark), 1);
    EXPECT_STREQ(source.name, "before");
    EXPECT_EQ(block.setCode(15, CodeSID), 0);
    EXPECT_EQ(block.codes[15], CodeSID);
    EXPECT_EQ(block.setCode(16, CodeSID), 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(block.append(named("x"), named("y"), PairState::ToCompare), 0);
    EXPECT_EQ(block.append(named("x"), named("y"), PairState::ToCompare), 1);
    EXPECT_EQ(block.count, 16);
}

TEST(PairList, LostBlockKeepsTheListAndMarksItIncomplete) {
    auto list = listOf(16);
    {
        NothrowAllocationFailure noBlocks(sizeof(FileInf));
        EXPECT_EQ(list->addPair(named("s16"), named("d16")), 1);
        EXPECT_EQ(list->addPair(named("s17"), named("d17")), 1);
    }
    EXPECT_EQ(list->lostPairs, 2);
    EXPECT_EQ(list->first.next, nullptr);
    EXPECT_EQ(list->tailBlock, &list->first);
    int delivered = 0;
    while (next(*list).result == 0) ++delivered;
    EXPECT_EQ(delivered, 16);
    list->destroy();
}

TEST(PairList, JobPlannedWithoutMemoryForBlocksKnowsItIsIncomplete) {
    TempTree tree;
    tree.folder("src");
    tree.folder("dst");
    for (int i = 0; i < 20; ++i) {
        tree.file("src/f" + std::to_string(i) + ".txt", "x");
        tree.file("dst/f" + std::to_string(i) + ".txt", "x");
    }
    auto complete = plannedJob(tree.win("src/*.txt"), tree.win("dst/"));
    EXPECT_FALSE(complete->listIncomplete());
    EXPECT_EQ(pairRows(*complete).size(), 20u);

    std::unique_ptr<QdlCore> job;
    {
        NothrowAllocationFailure noBlocks(sizeof(FileInf));
        job = plannedJob(tree.win("src/*.txt"), tree.win("dst/"));
    }
    EXPECT_TRUE(job->listIncomplete());
    EXPECT_EQ(job->pairs.lostPairs, 4);
    EXPECT_EQ(pairRows(*job).size(), 16u);
}

// A tree planned as it is stepped that cannot have a block of its list, at any moment: the run
// knows it is short, and each line it gives names a real entry (a lost exit marker would put every
// later line a level off).
TEST(PairList, ATreeThatRunsOutOfMemoryHalfWayGivesOnlyRealLines) {
    TempTree tree;
    for (const std::string side : {"src", "dst"})
        for (const std::string folder : {"a", "a/deep", "b", "b/deep", "c"})
            for (int i = 0; i < 14; ++i) {
                std::string name = folder + std::to_string(i);  // a name of that folder only
                std::replace(name.begin(), name.end(), '/', '-');
                tree.file(side + "/" + folder + "/" + name, "x");
            }
    // The list's 17th pair, the first of its second block, is the marker that ends "a/deep".
    for (int from = 1; from < 160; ++from) {
        QdlCore job(tree.win("src/*/*").c_str(), tree.win("dst/*/*").c_str(), IgnoreAnyErrors);
        ASSERT_EQ(job.startPlan(), 0);
        int step = 0;
        while (compareStep(job) == 0) {
            // One block of the list cannot be had; memory comes back at once.
            if (++step == from) {
                NothrowAllocationFailure noBlock(sizeof(FileInf), 1);
                (void)compareStep(job);
            }
        }
        EXPECT_TRUE(job.listIncomplete() || job.stats.total == 70) << from;
        LogReader reader;
        startLogReader(job, &reader);
        while (const char* line = readLogLine(job, reader)) {
            std::string path = line + 6;
            for (char& c : path)
                if (c == '\\') c = '/';
            EXPECT_TRUE(fs::exists(tree.path("src/" + path))) << line << ", short of memory from step " << from;
        }
    }
}

// The log's fields and the classes, as stored logs read them: the twelve codes of the dialogs in
// their order, the two extras behind them.
TEST(ResultCodes, FieldsAndClassesAsTheLogsReadThem) {
    std::string fields;
    for (const ResultCodeRow& row : resultCodeTable) fields += row.field;
    EXPECT_EQ(fields, "OK! NEA NET DIS NEC SOD SOF SID DOE SOE DRE SRE DOF DOD ");
    const Severity expected[] = {NoDifference, Notice, Notice, Error, Error, Error, Error,
                                 FatalError, FatalError, FatalError, FatalError, FatalError, Extra, Extra};
    for (const ResultCodeRow& row : resultCodeTable) EXPECT_EQ(row.severity, expected[row.code]) << row.field;
}

}  // namespace

namespace {

FindRecord recordWith(const std::string& name, DWORD attributes, std::uint64_t size, DWORD writtenHigh,
                      DWORD linkTag, DWORD linkState, const char* shortName = "") {
    FindRecord record = named(name);
    record.attributes = attributes;
    record.sizeHigh = static_cast<DWORD>(size >> 32);
    record.sizeLow = static_cast<DWORD>(size);
    record.lastWriteTime = {0x89abcdefu, writtenHigh};
    record.reserved0 = linkTag;
    record.reserved1 = linkState;
    std::strncpy(record.shortName, shortName, sizeof record.shortName - 1);
    return record;
}

void expectSameRecord(const FindRecord& got, const FindRecord& wanted, int entry) {
    EXPECT_STREQ(got.name, wanted.name) << entry;
    EXPECT_STREQ(got.shortName, wanted.shortName) << entry;
    EXPECT_EQ(got.attributes, wanted.attributes) << entry;
    EXPECT_EQ(got.sizeHigh, wanted.sizeHigh) << entry;
    EXPECT_EQ(got.sizeLow, wanted.sizeLow) << entry;
    EXPECT_EQ(got.lastWriteTime.dwLowDateTime, wanted.lastWriteTime.dwLowDateTime) << entry;
    EXPECT_EQ(got.lastWriteTime.dwHighDateTime, wanted.lastWriteTime.dwHighDateTime) << entry;
    EXPECT_EQ(got.reserved0, wanted.reserved0) << entry;
    EXPECT_EQ(got.reserved1, wanted.reserved1) << entry;
}

}  // namespace

// A listed folder keeps its pairs packed, each field only as long as it needs to be and a copy's
// fields only where they differ from its source's: every one comes back as it went in.
TEST(FolderEntries, EveryFieldComesBackAsItWasAdded) {
    const std::string longest(MAX_PATH - 1, 'n');
    const FindRecord plain = recordWith("a.txt", FILE_ATTRIBUTE_ARCHIVE, 4, 0x01d9aaaa, 0, 0);
    struct Added {
        FindRecord source;
        FindRecord destination;
        PairState state;
        Fault fault;
        ComparedElsewhere compared = {};
    } const added[] = {
        {plain, plain, PairState::ToCompare, noFault},
        {plain, recordWith("a.txt", FILE_ATTRIBUTE_ARCHIVE, 4, 0x01d9aaab, 0, 0), PairState::ToCompare, noFault},
        {plain, recordWith("a.txt", FILE_ATTRIBUTE_ARCHIVE, 0x100000004ULL, 0x01d9aaaa, 0, 0), PairState::ToCompare,
         noFault},
        {recordWith("huge.bin", FILE_ATTRIBUTE_READONLY, 0x123456789abULL, 0xffffffff, 0, 0),
         recordWith("HUGE.BIN", FILE_ATTRIBUTE_READONLY, ~std::uint64_t{0}, 0, 0, 0), PairState::SourceError,
         Fault{FaultCause::Refused, 13}},
        {recordWith("link", FILE_ATTRIBUTE_REPARSE_POINT, 0, 7, IO_REPARSE_TAG_SYMLINK, 0xffffffff),
         FindRecord{}, PairState::Extra, noFault},
        {recordWith(longest, FILE_ATTRIBUTE_DIRECTORY, 0, 1, 0, 0, "LONGES~1"), recordWith(longest, 0xffffffff, 0, 1, 0, 0),
         PairState::DestinationError, noFault},
        {plain, recordWith("b.txt", FILE_ATTRIBUTE_ARCHIVE, 4, 0x01d9aaaa, 0, 0, "B~1.TXT"), PairState::Recorded, noFault},
        {plain, plain, PairState::Compared, noFault, {CodeNEC, 4, 0xfffffffffffULL, ~std::uint64_t{0}}},
        {plain, plain, PairState::Compared, Fault{FaultCause::IoError, 5}, {CodeDRE, 0x123456789ULL, 0, 0}},
    };
    FolderEntries entries;
    for (const Added& pair : added)
        ASSERT_EQ(entries.addPair(pair.source, pair.destination, pair.state, pair.fault,
                                  pair.state == PairState::Compared ? &pair.compared : nullptr), 0);
    EntryCursor at = FolderEntries::start();
    for (int i = 0; i < static_cast<int>(std::size(added)); ++i) {
        FindRecord source = named("stale source");
        FindRecord destination = named("stale destination");
        PairState state{};
        Fault fault{FaultCause::Vanished, 2};
        ComparedElsewhere compared{CodeSOE, 1, 1, 1};
        ASSERT_EQ(entries.pairAt(&at, &source, &destination, &state, &fault, &compared), 0) << i;
        expectSameRecord(source, added[i].source, i);
        expectSameRecord(destination, added[i].destination, i);
        EXPECT_EQ(state, added[i].state) << i;
        EXPECT_EQ(fault.cause, added[i].fault.cause) << i;
        EXPECT_EQ(fault.error, added[i].fault.error) << i;
        if (state == PairState::Compared) {
            EXPECT_EQ(compared.code, added[i].compared.code) << i;
            EXPECT_EQ(compared.bytes, added[i].compared.bytes) << i;
            EXPECT_EQ(compared.read, added[i].compared.read) << i;
            EXPECT_EQ(compared.firstDifference, added[i].compared.firstDifference) << i;
        }
    }
    FindRecord source;
    FindRecord destination;
    PairState state;
    EXPECT_EQ(entries.pairAt(&at, &source, &destination, &state), 1);
    EXPECT_EQ(at.offset, entries.used);
}
