// readLinkTarget over readlinkat.
#include "fault_injection.h"
#include "folder_cache.h"
#include "last_error.h"
#include "path_map.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

DWORD readLinkTarget(LPCSTR linkPath, LPSTR target, DWORD room) {
    if (QUENDLE_FAULT(false) == Fault::Fail) return 0;
    char posixPath[PATH_MAX];
    if (toPosixPath(linkPath, posixPath, sizeof posixPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    const FolderRelative at = relativeToFolder(posixPath);
    const ssize_t length = readlinkat(at.folder, at.name, target, room);
    if (length < 0) {
        // EINVAL: no link there (any more).
        setLastErrorFromErrno(errno == EINVAL ? ENOENT : errno);
        return 0;
    }
    // readlink cuts a target that does not fit without a word.
    if (static_cast<DWORD>(length) >= room) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    target[length] = '\0';
    return static_cast<DWORD>(length);
}
