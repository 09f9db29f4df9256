// The result codes a pair can get: one table of their fields, classes and meanings, which the log
// lines, qdlcheck's exit status, its JSON, its --help and its manual page all follow. Adding a
// code is a line of the table (and an entry of the enum, in the same place) and its behaviour.
#pragma once

#include <cstdint>

enum ResultCode : std::uint8_t {
    CodeOK,   // no difference
    CodeNEA,  // attributes differ
    CodeNET,  // last-write time differs
    CodeDIS,  // destination larger, common length equal
    CodeNEC,  // contents differ
    CodeSOD,  // source is a folder, destination missing
    CodeSOF,  // source is a file, destination missing
    CodeSID,  // source larger, common length equal
    CodeDOE,  // destination open error
    CodeSOE,  // source open error
    CodeDRE,  // destination read short
    CodeSRE,  // source read short
    CodeDOF,  // a file only the destination holds (qdlcheck --extra)
    CodeDOD,  // a folder only the destination holds
};

// The class of a result: its counter, its exit status bit, its JSON class. Extras are counted
// apart and never written to the log file.
enum Severity : std::uint8_t { NoDifference, Notice, Error, FatalError, Extra };

struct ResultCodeRow {
    ResultCode code;
    char field[5];          // the four characters of a log line: three letters and a blank
    Severity severity;
    const char* jsonClass;  // "identical", "notice", "error", "fatal" or "extra"
    const char* meaning;    // a line of text, as the manual page gives it
};

inline constexpr ResultCodeRow resultCodeTable[] = {
    {CodeOK, "OK! ", NoDifference, "identical", "identical"},
    {CodeNEA, "NEA ", Notice, "notice", "notice: the attributes differ"},
    {CodeNET, "NET ", Notice, "notice", "notice: the last-write time differs"},
    {CodeDIS, "DIS ", Error, "error", "error: the destination is longer"},
    {CodeNEC, "NEC ", Error, "error", "error: the contents differ"},
    {CodeSOD, "SOD ", Error, "error", "error: a source folder is missing at the destination"},
    {CodeSOF, "SOF ", Error, "error", "error: a source file is missing at the destination"},
    {CodeSID, "SID ", FatalError, "fatal", "fatal: the source is longer than the destination"},
    {CodeDOE, "DOE ", FatalError, "fatal", "fatal: the destination cannot be opened or reached"},
    {CodeSOE, "SOE ", FatalError, "fatal", "fatal: the source cannot be opened, or a folder cannot be listed"},
    {CodeDRE, "DRE ", FatalError, "fatal", "fatal: the destination could not be read to its end"},
    {CodeSRE, "SRE ", FatalError, "fatal", "fatal: the source could not be read to its end"},
    {CodeDOF, "DOF ", Extra, "extra", "extra: a file only the destination holds"},
    {CodeDOD, "DOD ", Extra, "extra", "extra: a folder only the destination holds"},
};

inline constexpr int resultCodeCount = sizeof resultCodeTable / sizeof resultCodeTable[0];

constexpr bool tableInEnumOrder() {
    for (int i = 0; i < resultCodeCount; ++i)
        if (resultCodeTable[i].code != i) return false;
    return true;
}
static_assert(tableInEnumOrder(), "the table holds every code, in the enum's order");

inline const ResultCodeRow& rowOf(ResultCode code) {
    return resultCodeTable[code];
}
// Code n's four characters: three letters and a blank.
inline const char* mnemonicOf(ResultCode code) {
    return rowOf(code).field;
}
inline Severity severityOf(ResultCode code) {
    return rowOf(code).severity;
}
inline bool isExtraCode(ResultCode code) {
    return severityOf(code) == Extra;
}

// Where a pair of the list stands: planned (to be compared, or with planning's verdict, which the
// stepper reports without opening anything), or recorded with its result.
enum class PairState : std::uint8_t {
    ToCompare,
    SourceError,       // reported as SOE: the source cannot be listed, named or reached
    DestinationError,  // reported as DOE: the destination cannot be named or reached
    Extra,             // only the destination holds the entry: DOF or DOD
    Compared,          // a file pair another process compared where it listed the folder
    Recorded,
};

struct PairMark {
    PairState state;
    ResultCode code;  // once Recorded, and of a pair Compared
    bool recorded() const { return state == PairState::Recorded; }
};

// What a file pair compared by another process answered, as the stepper would have found it: the
// run takes it as compared (its fault, for a fatal code, is kept beside it as any pair's).
struct ComparedElsewhere {
    ResultCode code;
    std::uint64_t bytes;            // bytes it accounts for: the common length, or the source's size
    std::uint64_t read;             // bytes read from both sides and compared
    std::uint64_t firstDifference;  // for CodeNEC
};

// What a pair's comparison answers while the pair goes on: no result yet.
constexpr int pairGoesOn = -1;
