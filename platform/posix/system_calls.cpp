#include "system_calls.h"

#include "fault_injection.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sys {

int openat(int folder, const char* name, int flags, mode_t mode) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::openat(folder, name, flags, mode);
}

int close(int descriptor) {
    // The descriptor goes whatever close answers, as on Linux; only the answer can fail here.
    const int result = ::close(descriptor);
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return result;
}

void closeFolder(int descriptor) {
    ::close(descriptor);
}

void closeListing(DIR* directory) {
    ::closedir(directory);
}

ssize_t read(int descriptor, void* buffer, std::size_t size) {
    if (QUENDLE_INJECT_FAULT(CallKind::Read, &size) != 0) return -1;
    return ::read(descriptor, buffer, size);
}

ssize_t write(int descriptor, const void* buffer, std::size_t size) {
    if (QUENDLE_INJECT_FAULT(CallKind::Write, &size) != 0) return -1;
    return ::write(descriptor, buffer, size);
}

int poll(pollfd* watched, nfds_t count, int milliseconds) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::poll(watched, count, milliseconds);
}

int fstatat(int folder, const char* name, struct stat* status, int flags) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::fstatat(folder, name, status, flags);
}

off_t lseek(int descriptor, off_t offset, int whence) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::lseek(descriptor, offset, whence);
}

int fstat(int descriptor, struct stat* status) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::fstat(descriptor, status);
}

int lstat(const char* path, struct stat* status) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::lstat(path, status);
}

int fsync(int descriptor) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::fsync(descriptor);
}

int flock(int descriptor, int operation) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::flock(descriptor, operation);
}

int ftruncate(int descriptor, off_t length) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::ftruncate(descriptor, length);
}

DIR* opendir(const char* path) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return nullptr;
    return ::opendir(path);
}

dirent* readdir(DIR* directory) {
    if (QUENDLE_INJECT_FAULT(CallKind::List) != 0) return nullptr;
    return ::readdir(directory);
}

ssize_t readNames(int folder, void* buffer, std::size_t size) {
    if (QUENDLE_INJECT_FAULT(CallKind::List) != 0) return -1;
    return ::getdents64(folder, buffer, size);
}

ssize_t readlinkat(int folder, const char* name, char* target, std::size_t room) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::readlinkat(folder, name, target, room);
}

int rename(const char* from, const char* to) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return std::rename(from, to);
}

int unlink(const char* path) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::unlink(path);
}

int unlinkat(int folder, const char* name) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return -1;
    return ::unlinkat(folder, name, 0);
}

char* getcwd(char* buffer, std::size_t room) {
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) return nullptr;
    return ::getcwd(buffer, room);
}

}  // namespace sys
