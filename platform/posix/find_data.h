// The find record of one POSIX directory entry, as a Windows directory search would give it.
#pragma once

#include "win32_subset.h"

#include <sys/stat.h>

// 100-ns units since 1601-01-01, the Windows file time of a POSIX time.
FILETIME toFileTime(const timespec& time);

// Directories carry the directory bit; files the archive bit, and read-only when the owner may not
// write them; a FIFO, socket or device the device bit too. The status reached through a link, or
// whose way is not known, gets the link tag. The name is cut to the record's 259 characters.
void fillFindData(const struct stat& status, const char* name, WIN32_FIND_DATAA* findData,
                  bool throughLink = false);
