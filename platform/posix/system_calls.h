// The system calls of the POSIX layer, each one a door a test build can close beneath the layer
// (fault_injection.h), so that a fault goes through the layer's own handling and its mapping to
// Windows errors, as a failing system would. Every file call the layer makes goes through here;
// closing a folder's descriptor or a directory stream is not among them, as nothing read from
// them can be lost.
#pragma once

#include <cstddef>
#include <dirent.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace sys {

int openat(int folder, const char* name, int flags, mode_t mode = 0);
// A descriptor of a file the caller read or wrote: the system may report a failure only now.
int close(int descriptor);
// A folder's descriptor or a directory stream, which nothing was read through that can be lost.
void closeFolder(int descriptor);
void closeListing(DIR* directory);
ssize_t read(int descriptor, void* buffer, std::size_t size);
ssize_t write(int descriptor, const void* buffer, std::size_t size);
int poll(pollfd* watched, nfds_t count, int milliseconds);
int fstatat(int folder, const char* name, struct stat* status, int flags);
int fstat(int descriptor, struct stat* status);
int lstat(const char* path, struct stat* status);
int flock(int descriptor, int operation);
int fsync(int descriptor);
int ftruncate(int descriptor, off_t length);
off_t lseek(int descriptor, off_t offset, int whence);
DIR* opendir(const char* path);
// As readdir: null at the end with errno unchanged, or on a failure with errno set.
dirent* readdir(DIR* directory);
// The next of a folder's names, as dirent64 records (Linux's getdents64): the bytes filled, 0 at
// the end, -1 with errno set.
ssize_t readNames(int folder, void* buffer, std::size_t size);
ssize_t readlinkat(int folder, const char* name, char* target, std::size_t room);
int rename(const char* from, const char* to);
int unlink(const char* path);
int unlinkat(int folder, const char* name);
char* getcwd(char* buffer, std::size_t room);

}  // namespace sys
