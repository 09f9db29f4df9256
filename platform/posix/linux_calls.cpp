#include "linux_calls.h"

#include "system_calls.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

int openNameOnly(int folder, const char* name, int flags) {
    return sys::openat(folder, name, O_PATH | O_CLOEXEC | flags);
}

ssize_t ownProgramPath(char* path, std::size_t room) {
    return readlink("/proc/self/exe", path, room);
}

namespace {
std::atomic<bool> accessTimeKept{true};
}

int accessTimeFlag() {
    return accessTimeKept.load(std::memory_order_relaxed) ? O_NOATIME : 0;
}

void accessTimeRefused() {
    accessTimeKept.store(false, std::memory_order_relaxed);
}

int openForReading(int folder, const char* name, int flags) {
    const int keep = accessTimeFlag();
    if (keep != 0) {
        const int descriptor = sys::openat(folder, name, flags | keep);
        if (descriptor >= 0 || errno != EPERM) return descriptor;
        accessTimeRefused();
    }
    return sys::openat(folder, name, flags);
}
