#include "held_open.h"

#include "platform/win32.h"

namespace fs = std::filesystem;

#ifdef _WIN32
bool heldOpen(const fs::path& file) {
    const HANDLE held = CreateFileA(file.string().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return true;
    CloseHandle(held);
    return false;
}
#else
bool heldOpen(const fs::path& file) {
    std::error_code error;
    const fs::path wanted = fs::canonical(file, error);
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        std::error_code unreadable;
        for (const auto& descriptor : fs::directory_iterator(process.path() / "fd", unreadable))
            if (fs::read_symlink(descriptor.path(), unreadable) == wanted) return true;
    }
    return false;
}
#endif
