#include "linux_calls.h"

#include "system_calls.h"

#include <fcntl.h>
#include <unistd.h>

int openNameOnly(int folder, const char* name, int flags) {
    return sys::openat(folder, name, O_PATH | O_CLOEXEC | flags);
}

ssize_t ownProgramPath(char* path, std::size_t room) {
    return readlink("/proc/self/exe", path, room);
}
