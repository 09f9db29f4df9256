#include "find_data.h"

#include "last_error.h"

#include <cstring>

namespace {

constexpr std::int64_t secondsFrom1601To1970 = 11644473600;
constexpr std::int64_t ticksPerSecond = 10000000;

}  // namespace

FILETIME toFileTime(const timespec& time) {
    const std::int64_t seconds = time.tv_sec + secondsFrom1601To1970;
    const std::uint64_t ticks = seconds < 0 ? 0
        : static_cast<std::uint64_t>(seconds) * ticksPerSecond +
              static_cast<std::uint64_t>(time.tv_nsec / 100);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void fillFindData(const struct stat& status, const char* name, WIN32_FIND_DATAA* findData,
                  bool throughLink, int followError) {
    std::memset(findData, 0, sizeof *findData);
    const bool directory = S_ISDIR(status.st_mode);
    const bool link = S_ISLNK(status.st_mode);
    DWORD attributes = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!directory && !link && (status.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (link) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    else if (!directory && !S_ISREG(status.st_mode)) attributes |= FILE_ATTRIBUTE_DEVICE;
    findData->dwFileAttributes = attributes;
    if (throughLink || link) findData->dwReserved0 = IO_REPARSE_TAG_SYMLINK;
    if (link) findData->dwReserved1 = windowsErrorOf(followError);
    findData->ftCreationTime = toFileTime(status.st_ctim);
    findData->ftLastAccessTime = toFileTime(status.st_atim);
    findData->ftLastWriteTime = toFileTime(status.st_mtim);
    const std::uint64_t size = directory || link ? 0 : static_cast<std::uint64_t>(status.st_size);
    findData->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    findData->nFileSizeLow = static_cast<DWORD>(size);
    std::strncpy(findData->cFileName, name, sizeof findData->cFileName - 1);
}
