#include "fault_cause.h"

#include "find_record.h"

namespace {

struct CauseNames {
    FaultCause cause;
    const char* key;
    const char* text;
};

constexpr CauseNames causeNames[] = {
    {FaultCause::None, nullptr, nullptr},
    {FaultCause::Refused, "refused", "access refused"},
    {FaultCause::IoError, "io_error", "an I/O error"},
    {FaultCause::TooLong, "too_long", "a path longer than 259 characters"},
    {FaultCause::Vanished, "vanished", "gone since it was listed"},
    {FaultCause::Locked, "locked", "locked by another program"},
    {FaultCause::OutOfDescriptors, "out_of_descriptors", "no file descriptor left"},
    {FaultCause::OutOfMemory, "out_of_memory", "out of memory"},
    {FaultCause::Interrupted, "interrupted", "interrupted"},
    {FaultCause::Shrank, "shrank", "shorter than when it was listed"},
    {FaultCause::NotAFile, "not_a_file", "a FIFO, socket or device, which is never opened"},
    {FaultCause::DanglingLink, "dangling_link", "a link that leads nowhere"},
    {FaultCause::LinkLoop, "link_loop", "a link that leads round in a loop"},
    {FaultCause::LinkUnreachable, "link_unreachable", "a link whose target cannot be reached"},
    {FaultCause::LinkUnreadable, "link_unreadable", "a link whose target cannot be read"},
    {FaultCause::FolderLoop, "folder_loop", "a folder that is one of those above it"},
    {FaultCause::NotAFolder, "not_a_folder", "the copy of a folder is no folder"},
    {FaultCause::NameReadAsPattern, "name_read_as_pattern",
     "a name holding \\, * or ?, which no path can name"},
    {FaultCause::NameNotRepresentable, "name_not_representable",
     "a name the code page cannot carry"},
};

const CauseNames& namesOf(FaultCause cause) {
    for (const auto& names : causeNames)
        if (names.cause == cause) return names;
    return causeNames[0];
}

}  // namespace

const char* causeKey(FaultCause cause) {
    return namesOf(cause).key;
}

const char* causeText(FaultCause cause) {
    return namesOf(cause).text;
}

Fault faultOf(DWORD windowsError, int systemError) {
    FaultCause cause;
    switch (windowsError) {
    case ERROR_ACCESS_DENIED: cause = FaultCause::Refused; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: cause = FaultCause::Vanished; break;
    case ERROR_FILENAME_EXCED_RANGE: cause = FaultCause::TooLong; break;
    case ERROR_CANT_RESOLVE_FILENAME: cause = FaultCause::LinkLoop; break;
    case ERROR_SHARING_VIOLATION: cause = FaultCause::Locked; break;
    case ERROR_TOO_MANY_OPEN_FILES: cause = FaultCause::OutOfDescriptors; break;
    case ERROR_NOT_ENOUGH_MEMORY: cause = FaultCause::OutOfMemory; break;
    case ERROR_OPERATION_ABORTED: cause = FaultCause::Interrupted; break;
    default: cause = FaultCause::IoError; break;
    }
    return {cause, systemError};
}

Fault lastFault() {
    return faultOf(GetLastError(), lastSystemError());
}

FaultCause causeOfUnnameable() {
    return namesHoldWildcards ? FaultCause::NameReadAsPattern : FaultCause::NameNotRepresentable;
}

FaultCause causeOfUnfollowedLink(const FindRecord& link) {
    switch (link.reserved1) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FaultCause::DanglingLink;
    case ERROR_CANT_RESOLVE_FILENAME: return FaultCause::LinkLoop;
    default: return FaultCause::LinkUnreachable;
    }
}
