// Why an entry could not be compared as itself, kept beside its fatal code with the system's own
// error number: qdlcheck tells both; the log file and the dialogs show the code alone.
#pragma once

#include "platform/win32.h"

#include <cstdint>

enum class FaultCause : std::uint8_t {
    None,
    Refused,               // access refused (permissions)
    IoError,               // the system or the device failed
    TooLong,               // a path longer than the program's 259 characters
    Vanished,              // gone since it was listed
    Locked,                // held by another program that lets nobody read it
    OutOfDescriptors,      // no file descriptor left, even with every other file closed
    OutOfMemory,
    Interrupted,           // the call gave way to Ctrl-C
    Shrank,                // a read came short: shorter than when it was listed
    NotAFile,              // a FIFO, socket or device, never opened
    DanglingLink,          // a link that leads nowhere
    LinkLoop,              // a link that leads round in a loop
    LinkUnreachable,       // a link whose target cannot be reached
    LinkUnreadable,        // a link whose target text cannot be read
    FolderLoop,            // a folder that is one of those above it (a link back up)
    NotAFolder,            // the copy of a folder is a file, FIFO, device or link
    NameReadAsPattern,     // a name holding "\", "*" or "?", which no path can name
    NameNotRepresentable,  // a name the program's code page cannot carry exactly
};

// A cause and the system's number for the error behind it (errno on POSIX, the Windows error on
// Windows); 0 when no system call failed (the program refused by itself).
struct Fault {
    FaultCause cause;
    std::int32_t error;
};

inline constexpr Fault noFault{FaultCause::None, 0};

// A short key for programs ("dangling_link"), and a phrase for people ("a link that leads
// nowhere"); none for FaultCause::None.
const char* causeKey(FaultCause cause);
const char* causeText(FaultCause cause);

// The fault behind a call that failed with this Windows error (GetLastError) and system error.
Fault faultOf(DWORD windowsError, int systemError);
// The same for the call that failed last on this thread.
Fault lastFault();

// Why a listed name holding "\", "*" or "?" cannot be named: where names hold them as characters of
// their own, that is the name's own doing; elsewhere (Windows) they stand for what the code page
// could not carry.
FaultCause causeOfUnnameable();

struct FindRecord;
// Why a link described by itself could not be followed.
FaultCause causeOfUnfollowedLink(const FindRecord& link);
