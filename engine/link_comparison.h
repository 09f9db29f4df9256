// A pair with a link described by itself on either side is settled by the links' target texts,
// without opening anything: the same text is no difference, as a copy made by rsync -a or cp -a
// keeps it.
#pragma once

#include "fault_cause.h"
#include "find_record.h"
#include "result_code.h"

struct LinkVerdict {
    int code;  // a ResultCode, or pairGoesOn: the platform reads no link targets; compare the files
    Fault fault;
};

// Links followed: a link that cannot be followed is a fatal error of its side, unless both sides
// are links with the same target text. Links as links: a link against another target or against
// what is no link is NEC.
LinkVerdict compareLinks(const char* sourcePath, const char* destinationPath, const FindRecord& source,
                         const FindRecord& destination, LinkRule links);
