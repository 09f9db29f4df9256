#include "link_comparison.h"

#include <cstring>
#include <initializer_list>

namespace {

// A link's target is a path of the platform's, which may be longer than the engine's own paths.
constexpr DWORD linkTargetRoom = 4096;

// Reads the target of a side that is a link: 0 when it is read (or the side is no link),
// pairGoesOn when the platform reads no link targets, else the side's fatal code.
int readTarget(bool link, const char* path, char (&target)[linkTargetRoom], ResultCode failed) {
    if (!link || readLinkTarget(path, target, linkTargetRoom) != 0) return 0;
    return GetLastError() == ERROR_NOT_SUPPORTED ? pairGoesOn : failed;
}

}  // namespace

LinkVerdict compareLinks(const char* sourcePath, const char* destinationPath, const FindRecord& source,
                         const FindRecord& destination, LinkRule links) {
    const bool sourceLink = isLinkAsItself(source);
    const bool destinationLink = isLinkAsItself(destination);
    char sourceTarget[linkTargetRoom];
    char destinationTarget[linkTargetRoom];
    for (const int read : {readTarget(sourceLink, sourcePath, sourceTarget, CodeSOE),
                           readTarget(destinationLink, destinationPath, destinationTarget, CodeDOE)}) {
        if (read == pairGoesOn) return {pairGoesOn, noFault};
        if (read != 0) return {read, {FaultCause::LinkUnreadable, lastSystemError()}};
    }
    if (sourceLink && destinationLink && std::strcmp(sourceTarget, destinationTarget) == 0)
        return {CodeOK, noFault};
    if (links == LinkRule::AsLinks) return {CodeNEC, noFault};
    return sourceLink ? LinkVerdict{CodeSOE, {causeOfUnfollowedLink(source), 0}}
                      : LinkVerdict{CodeDOE, {causeOfUnfollowedLink(destination), 0}};
}
