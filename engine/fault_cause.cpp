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

FaultCause causeOfUnfollowedLink(const FindRecord& link) {
    switch (link.reserved1) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return FaultCause::DanglingLink;
    case ERROR_CANT_RESOLVE_FILENAME: return FaultCause::LinkLoop;
    default: return FaultCause::LinkUnreachable;
    }
}

FaultCause causeOfUnnameable() {
    return namesHoldWildcards ? FaultCause::NameReadAsPattern : FaultCause::NameNotRepresentable;
}
