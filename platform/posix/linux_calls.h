// What the POSIX layer takes from Linux beyond POSIX, in one place: a port to another POSIX system
// (a BSD, macOS) gives these their own bodies there and keeps the rest of the layer.
#pragma once

#include <cstddef>
#include <sys/types.h>

// A descriptor that only names what is at name in folder (Linux's O_PATH): it opens a folder that
// cannot be read, and nothing a FIFO or a device would notice. flags may add O_DIRECTORY and
// O_NOFOLLOW. -1 with errno set.
int openNameOnly(int folder, const char* name, int flags = 0);

// The running program's own file, as a path: its length, or -1 when it cannot be known.
ssize_t ownProgramPath(char* path, std::size_t room);

// Opens name in folder to be read without its access time being written (Linux's O_NOATIME): a
// first check of a fresh copy would otherwise dirty every inode of it. Only the file's owner, or a
// privileged process, may ask that; once refused, the layer stops asking. -1 with errno set.
int openForReading(int folder, const char* name, int flags);
// The flag that asks it (0 once refused), and the refusal, for opens made another way.
int accessTimeFlag();
void accessTimeRefused();
