// readLinkTarget over readlinkat.
#include "folder_cache.h"
#include "last_error.h"
#include "path_map.h"
#include "system_calls.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

DWORD readLinkTarget(LPCSTR linkPath, LPSTR target, DWORD room) {
    char posixPath[PATH_MAX];
    if (toPosixPath(linkPath, posixPath, sizeof posixPath) != 0) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    const FolderRelative at = relativeToFolder(posixPath);
    const ssize_t length = sys::readlinkat(at.folder, at.name, target, room);
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
