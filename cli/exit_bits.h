// qdlcheck's exit status: bits that add up; the manual's table lists the same.
#pragma once

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
