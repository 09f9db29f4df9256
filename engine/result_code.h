// The result codes a pair can get, their four-character fields and their severity classes.
#pragma once

#include <cstdint>

enum ResultCode : std::uint8_t {
    CodeOK = 0,   // no difference
    CodeNEA = 1,  // attributes differ
    CodeNET = 2,  // last-write time differs
    CodeDIS = 3,  // destination larger, common length equal
    CodeNEC = 4,  // contents differ
    CodeSOD = 5,  // source is a folder, destination missing
    CodeSOF = 6,  // source is a file, destination missing
    CodeSID = 7,  // source larger, common length equal
    CodeDOE = 8,  // destination open error
    CodeSOE = 9,  // source open error
    CodeDRE = 10, // destination read short
    CodeSRE = 11, // source read short
    Pending = 12, // recorded, not yet compared
    // Recorded with planning's verdict, not yet reported: the stepper reports them without opening
    // anything. Being pending, they end a walk of the log lines like Pending does.
    PendingSourceError = 13,       // reported as SOE: the source cannot be listed, named or reached
    PendingDestinationError = 14,  // reported as DOE: the destination cannot be named or reached
    // Only the destination holds the entry (qdlcheck --extra): not a result of the source's
    // comparison, counted apart and never in the log file.
    PendingExtra = 15,
    CodeDOF = 16,  // a file only the destination holds
    CodeDOD = 17,  // a folder only the destination holds
};

// A pair that has no result yet: a walk of the log lines ends at it.
inline bool isPendingCode(unsigned code) {
    return code >= Pending && code <= PendingExtra;
}

inline bool isExtraCode(unsigned code) {
    return code == CodeDOF || code == CodeDOD;
}

// Code n owns characters 4n..4n+3: three letters and a blank.
inline constexpr char resultMnemonics[] = "OK! NEA NET DIS NEC SOD SOF SID DOE SOE DRE SRE ";
static_assert(sizeof resultMnemonics == 48 + 1);

inline constexpr char extraMnemonics[] = "DOF DOD ";

inline const char* mnemonicOf(ResultCode code) {
    return isExtraCode(code) ? extraMnemonics + 4 * (code - CodeDOF) : resultMnemonics + 4 * code;
}

enum Severity : std::uint8_t { NoDifference, Notice, Error, FatalError };

// The codes run in order of severity: the last notice and the last error close their classes.
inline Severity severityOf(unsigned code) {
    if (code == CodeOK) return NoDifference;
    if (code <= CodeNET) return Notice;
    if (code <= CodeSOF) return Error;
    return FatalError;
}
