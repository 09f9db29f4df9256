// Why an entry could not be compared as itself, kept beside its fatal code: qdlcheck tells it, the
// log file and the dialogs show the code alone.
#pragma once

#include <cstdint>

enum class FaultCause : std::uint8_t {
    None,
    DanglingLink,          // a link that leads nowhere
    LinkLoop,              // a link that leads back to itself, round and round
    LinkUnreachable,       // a link whose target cannot be reached
    LinkUnreadable,        // a link whose target text cannot be read
    FolderLoop,            // a folder that is one of those above it (a link back up)
    NotAFolder,            // the copy of a folder is a file, FIFO, device or link
    NameReadAsPattern,     // a name holding "\", "*" or "?", which no path can name
    NameNotRepresentable,  // a name the program's code page cannot carry exactly
};

// A short key for programs ("dangling_link"), and a phrase for people ("a link that leads
// nowhere"); none for FaultCause::None.
const char* causeKey(FaultCause cause);
const char* causeText(FaultCause cause);

// Why a listed name holding "\\", "*" or "?" cannot be named: where names hold them as characters of
// their own, that is the name's own doing; elsewhere (Windows) they stand for what the code page
// could not carry.
FaultCause causeOfUnnameable();

struct FindRecord;
// Why a link described by itself could not be followed.
FaultCause causeOfUnfollowedLink(const FindRecord& link);
