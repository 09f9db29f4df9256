// The find record of one POSIX directory entry, as a Windows directory search would give it.
#pragma once

#include "win32_subset.h"

#include <sys/stat.h>

// 100-ns units since 1601-01-01, the Windows file time of a POSIX time.
FILETIME toFileTime(const timespec& time);

// Directories carry the directory bit; files the archive bit, and read-only when the owner may not
// write them; a FIFO, socket or device the device bit too. The status reached through a link, or
// whose way is not known, gets the link tag. A link's own status (one that could not be followed)
// is described as Windows describes a link: the reparse-point bit, size 0, the link tag, and in
// dwReserved1 the error that following it met (followError, an errno). The name is cut to the
// record's 259 characters.
void fillFindData(const struct stat& status, const char* name, WIN32_FIND_DATAA* findData,
                  bool throughLink = false, int followError = 0);
