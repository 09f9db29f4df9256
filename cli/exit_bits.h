// qdlcheck's exit status: bits that add up; the manual's table lists the same.
#pragma once

#include "engine/result_code.h"

enum ExitBit : int {
    ExitNotices = 1,           // NEA, NET
    ExitErrors = 2,            // DIS, NEC, SOD, SOF
    ExitFatalErrors = 4,       // SID, DOE, SOE, DRE, SRE
    ExitNotEveryEntry = 8,     // the stop level, a signal or lost output ended the run
    ExitCannotCompare = 16,    // nothing compared as asked, or an output that could not be written
    ExitExtras = 32,           // --extra: the destination holds entries the source does not
};

inline constexpr ExitBit everyExitBit[] = {ExitNotices,       ExitErrors,        ExitFatalErrors,
                                           ExitNotEveryEntry, ExitCannotCompare, ExitExtras};

// The bit a result of each class adds; none for no difference.
inline constexpr int exitBitOf(Severity severity) {
    switch (severity) {
    case NoDifference: return 0;
    case Notice: return ExitNotices;
    case Error: return ExitErrors;
    case FatalError: return ExitFatalErrors;
    case Extra: return ExitExtras;
    }
    return 0;
}
