#include "platform/folder_names.h"

#include "path_map.h"
#include "system_calls.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>

namespace {

// What a name is: from the listing where it says, otherwise (some file systems never do) from the
// entry's own status; a name whose status cannot be read counts as a file.
NameKind kindOf(DIR* directory, const dirent* entry) {
    switch (entry->d_type) {
    case DT_DIR: return NameKind::Folder;
    case DT_LNK: return NameKind::Link;
    case DT_UNKNOWN: break;
    default: return NameKind::File;
    }
    struct stat status;
    if (sys::fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return NameKind::File;
    if (S_ISDIR(status.st_mode)) return NameKind::Folder;
    return S_ISLNK(status.st_mode) ? NameKind::Link : NameKind::File;
}

}  // namespace

bool firstFolderName(const char* folder, bool sizes, FolderNames* names, const char** name, NameKind* kind) {
    char path[PATH_MAX];
    names->stream = nullptr;
    names->sizes = sizes;
    if (toPosixPath(folder, path, sizeof path) != 0) return false;
    names->stream = sys::opendir(path);
    return nextFolderName(names, name, kind);
}

bool nextFolderName(FolderNames* names, const char** name, NameKind* kind) {
    auto* directory = static_cast<DIR*>(names->stream);
    while (directory != nullptr) {
        const dirent* entry = sys::readdir(directory);
        if (entry == nullptr) break;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        *name = entry->d_name;
        *kind = kindOf(directory, entry);
        names->size = 0;
        struct stat status;
        if (names->sizes && *kind != NameKind::Folder && sys::fstatat(dirfd(directory), entry->d_name, &status, 0) == 0 &&
            S_ISREG(status.st_mode))
            names->size = static_cast<std::uint64_t>(status.st_size);
        return true;
    }
    endFolderNames(names);
    return false;
}

void endFolderNames(FolderNames* names) {
    if (names->stream != nullptr) sys::closeListing(static_cast<DIR*>(names->stream));
    names->stream = nullptr;
}
